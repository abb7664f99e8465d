// Writing bitmaps as JPEG files and reading JPEG files into bitmaps, through libjpeg-turbo.
#pragma once

#include "BMPExtImage.h"

#include <QString>
#include <cstdint>

// Writes an 8-bit (grey levels) or 24-bit bitmap to fileName at the given quality (1 to 100), with `comment`
// as a COM segment (UTF-8, cut to the 65533 bytes a segment holds). Grey bitmaps become three-component YCbCr
// JPEGs with neutral chroma, or one-component grey JPEGs when greyAsOneChannel is true. Returns false,
// writing nothing, for a bitmap of width or height 0, and true once the file is written. Every other failure
// raises EWriteError("Error writing JPEG to file"); the file is written under a temporary name and renamed at
// the end, so a failure leaves no file behind and an existing file of that name as it was.
bool SaveBitmapAsJpeg(const TExtBitmap& bitmap, const QString& fileName, int quality, const QString& comment,
                      bool greyAsOneChannel);

// Reads a JPEG file into the bitmap, resizing it to the image: scale 0 at full size, 1 at one half, 2 at one
// quarter, 3 at one eighth (sizes rounded up); other values read at full size. With adoptFormat false the
// bitmap keeps its format, which must be 8-bit (colour arrives as grey levels) or 24-bit; with adoptFormat
// true it takes the JPEG's: 8-bit for one component, 24-bit for three, 32-bit for four. Four components (CMYK
// as libjpeg hands them over) are taken as three colours and alpha, the colours premultiplied by alpha.
// Returns false for a missing or unreadable file, an unusable bitmap format, a component count other than 1,
// 3 or 4, or image data that is corrupt or ends early. A failure found before the pixels are decoded leaves
// the bitmap untouched; one found while decoding them leaves the bitmap at the image's size with every byte
// 0. Out of memory while resizing the bitmap raises std::bad_alloc.
bool LoadJpegIntoBitmap(TExtBitmap& bitmap, const QString& fileName, bool adoptFormat, std::uint8_t scale);
