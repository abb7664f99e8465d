// The blocking pauses of file processing; tests shorten them, the program always uses the defaults.
#pragma once

#include <chrono>

struct ProcessingWaits {
    // Before a copied file is read, so the copy has settled on disk.
    std::chrono::milliseconds beforeRead{1800};
    // Before the second and last attempt to open a dataset.
    std::chrono::milliseconds retryOpen{900};
    // Before a file that is still in use is tested again.
    std::chrono::milliseconds busyFile{3000};
};
