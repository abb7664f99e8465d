// Grey rows made the pixels of an 8-bit TExtBitmap, and the ABI reader that fills one.
#pragma once

#include "Failure.h"
#include "PixelBlock.h"

#include <QString>
#include <chrono>

class TExtBitmap;

// The rows become the 8-bit bitmap's pixels, without a copy, under a grey palette; the bitmap owns their
// block afterwards. Fails, leaving the bitmap unchanged, when Qt refuses the image's size.
Status AdoptGreyRows(TExtBitmap& bitmap, GreyRows rows);

// As ReadAbiGreyRows, into the 8-bit bitmap, which is unchanged on failure.
Status ReadAbiImage(const QString& fileName, TExtBitmap& bitmap, float& longitude, bool singleFileMode,
                    std::chrono::milliseconds retryOpen);
