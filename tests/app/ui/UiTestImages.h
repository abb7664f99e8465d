// Image files for the widget tests, written with the program's own codecs.
#pragma once

#include "BMPExtImage.h"

#include <QString>
#include <cstdint>
#include <functional>

using GreyPixel = std::function<std::uint8_t(int x, int y)>;

// An 8-bit grey bitmap whose pixel (x, y) is pixel(x, y).
void MakeGreyBitmap(TExtBitmap& bitmap, int width, int height, const GreyPixel& pixel);
// Level `grey` with pseudo-random noise of ±noise: the noise keeps a small file from compressing far.
GreyPixel NoisyGrey(int grey, int noise);

void WritePng(const TExtBitmap& bitmap, const QString& path);
void WriteJpeg(const TExtBitmap& bitmap, const QString& path);

// Appends zero bytes (which the decoders never reach) until the file is exactly `size` bytes long.
void PadFile(const QString& path, qint64 size);

// The mean grey level of an 8-bit bitmap.
double MeanGrey(const TExtBitmap& bitmap);
