// Grey pictures encoded as JPEG in memory, through the program's own JPEG codec, for the web page.
#pragma once

#include "Failure.h"

#include <QByteArray>
#include <QImage>

// The image's grey levels as a one-component JPEG at the given quality (1 to 100).
Result<QByteArray> EncodeGreyJpeg(const QImage& grey, int quality);
