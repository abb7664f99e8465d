// Saving a bitmap as a PNG datastream with its four text chunks, and loading a PNG file into a bitmap.
#pragma once

#include "Failure.h"
#include "LoadProgress.h"
#include "VelPNGImage.h"

#include <QString>

class QIODevice;
class TExtBitmap;

// Writes an 8-bit or 24-bit bitmap into `sink` with WritePngDatastream (row filters none, sub and Paeth).
// Every failure (a bitmap of another format or of zero size, a write the sink refused, an exception from
// onProgress) gives CannotWrite with the reason alone, for the caller to name the file: for a refused write,
// the sink's errorString(). The sink then holds part of a datastream.
Status SaveBitmapAsPng(const TExtBitmap& bitmap, QIODevice& sink, const QString& author,
                       const QString& description, const QString& software, const QString& title,
                       const TProgressEvent& onProgress);

// Reads the file into the bitmap, resized to the image unless keepSize. Never raises: false when the file is
// missing or cannot be read completely, and the bitmap is then unchanged. progress, when given, follows the
// rows as they are decoded.
bool LoadPngIntoBitmap(TExtBitmap& bitmap, const QString& fileName, bool forceColor, bool keepSize,
                       const TLoadProgress& progress = {});
