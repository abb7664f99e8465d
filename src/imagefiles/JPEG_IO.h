// Writing bitmaps as JPEG files and reading JPEG files into bitmaps, through libjpeg-turbo.
#pragma once

#include "BMPExtImage.h"
#include "Failure.h"
#include "LoadProgress.h"

#include <QString>
#include <cstdint>

class QIODevice;

// Writes an 8-bit (grey levels) or 24-bit bitmap into `sink` at the given quality (1 to 100), with `comment`
// as a COM segment (UTF-8, cut to the 65533 bytes a segment holds). Grey bitmaps become three-component YCbCr
// JPEGs with neutral chroma, or one-component grey JPEGs when greyAsOneChannel is true. Every failure gives
// CannotWrite with a message for the caller to put after the file's name: "the image has no pixels" for a
// bitmap of width or height 0, otherwise "Error writing JPEG to file" with the reason in parentheses (a
// bitmap of another format, the encoder's message, or, for a write the sink refused, the sink's
// errorString()). Nothing is written for an unusable bitmap; otherwise the sink then holds part of a JPEG.
Status SaveBitmapAsJpeg(const TExtBitmap& bitmap, QIODevice& sink, int quality, const QString& comment,
                        bool greyAsOneChannel);

// Reads a JPEG file into the bitmap, resizing it to the image: scale 0 at full size, 1 at one half, 2 at one
// quarter, 3 at one eighth (sizes rounded up); other values read at full size. With adoptFormat false the
// bitmap keeps its format, which must be 8-bit (colour arrives as grey levels) or 24-bit; with adoptFormat
// true it takes the JPEG's: 8-bit for one component, 24-bit for three, 32-bit for four. Four components (CMYK
// as libjpeg hands them over) are taken as three colours and alpha, the colours premultiplied by alpha.
// Returns false for a missing or unreadable file, an unusable bitmap format, a component count other than 1,
// 3 or 4, or image data that is corrupt or ends early. A failure found before the pixels are decoded leaves
// the bitmap untouched; one found while decoding them leaves the bitmap at the image's size with every byte
// 0. Out of memory while resizing the bitmap raises std::bad_alloc. progress, when given, follows the rows.
bool LoadJpegIntoBitmap(TExtBitmap& bitmap, const QString& fileName, bool adoptFormat, std::uint8_t scale,
                        const TLoadProgress& progress = {});
