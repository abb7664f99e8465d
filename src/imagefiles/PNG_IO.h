// Saving a bitmap as a PNG file with its four text chunks, and loading a PNG file into a bitmap.
#pragma once

#include "VelPNGImage.h"

#include <QString>

class TExtBitmap;

// Writes an 8-bit or 24-bit bitmap at zlib level 4 with the row filters none, sub and Paeth. Raises on every
// failure (a bitmap of another format or of zero size, a file that cannot be written); an existing file of
// that name is replaced only by a complete new one. Returns true.
bool SaveBitmapAsPng(const TExtBitmap& bitmap, const QString& fileName, const QString& author,
                     const QString& description, const QString& software, const QString& title,
                     const TProgressEvent& onProgress);

// Reads the file into the bitmap, resized to the image unless keepSize. Never raises: false when the file is
// missing or cannot be read completely, and the bitmap is then unchanged.
bool LoadPngIntoBitmap(TExtBitmap& bitmap, const QString& fileName, bool forceColor, bool keepSize);
