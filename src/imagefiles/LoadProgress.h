// How far the decoding of an image file has come, for a window that shows it while it waits.
#pragma once

#include <functional>

// Called on the decoding thread with the percentage of the image's rows decoded so far (0 to 100), each time
// it grows.
using TLoadProgress = std::function<void(int percentDone)>;
