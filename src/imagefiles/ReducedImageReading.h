// Reading a JPEG or PNG file straight into a small grey picture: the rows are reduced by area averaging as
// they are decoded, so a full-disk image is never held whole. The picture is the one that reading the file
// into an 8-bit bitmap and reducing that with Interpolate gives.
#pragma once

#include <QImage>
#include <QSize>
#include <QString>
#include <optional>

// The JPEG file's grey levels (the luma of a colour file) reduced to `size`. libjpeg decodes at the smallest
// of its scales that still leaves each target pixel at least 8 × 8 decoded pixels. Empty when the file cannot
// be read this way: unreadable or corrupt data, four components, or an image smaller than `size`.
std::optional<QImage> ReadReducedJpeg(const QString& fileName, QSize size);

// The same for a PNG file of 8-bit grey levels, not interlaced, without transparency or gamma; empty for
// every other PNG and for one that cannot be read.
std::optional<QImage> ReadReducedPng(const QString& fileName, QSize size);
