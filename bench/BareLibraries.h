// The floor of the engine benchmark: each step done by bare calls of netCDF-C, libpng, libjpeg-turbo and
// OpenCV at the settings the program uses, with nothing of the program in between.
#pragma once

#include <QImage>
#include <QString>
#include <cstdint>
#include <vector>

// The whole "Rad" variable as 16-bit counts.
std::vector<std::uint16_t> BareReadCounts(const QString& path);

// An 8-bit grey image as PNG: zlib level 4, filters none, sub and Paeth.
void BarePngWrite(const QImage& grey, const QString& path);

// An 8-bit grey image as three-component YCbCr JPEG at the given quality, with a comment marker.
void BareJpegWrite(const QImage& grey, const QString& path, int quality);

// A JPEG decoded to grey at full size, then reduced to side × side by area averaging.
QImage BareThumbnail(const QString& jpegPath, int side);
