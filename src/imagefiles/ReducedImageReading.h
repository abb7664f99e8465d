// Reading a JPEG or PNG file straight into a smaller grey picture: the rows are reduced by area averaging as
// they are decoded, so a full-disk image is never held whole. At the default JPEG decoding scale, the picture
// is the one that reading the file into an 8-bit bitmap and reducing that with Interpolate gives.
#pragma once

#include <QImage>
#include <QSize>
#include <QString>
#include <functional>
#include <optional>

// What an image is reduced to: the size `target` gives for the image's own size. libjpeg decodes at the
// smallest of its scales that still leaves each target pixel at least decodedPixelsPerTargetPixel decoded
// pixels across: 8 keeps the averages hardly different from those of the full-size image; 1 is the
// cheapest.
struct ImageReduction {
    std::function<QSize(QSize imageSize)> target;
    unsigned decodedPixelsPerTargetPixel = 8;
};

// To `size`, whatever the image's size.
ImageReduction ReductionTo(QSize size);

// The JPEG file's grey levels (the luma of a colour file) reduced as `rule` says. Empty when the file
// cannot be read this way: unreadable or corrupt data, four components, or an image smaller than its target.
std::optional<QImage> ReadReducedJpeg(const QString& fileName, const ImageReduction& rule);

// The same for a PNG file of 8-bit grey levels, not interlaced, without transparency or gamma; empty for
// every other PNG and for one that cannot be read.
std::optional<QImage> ReadReducedPng(const QString& fileName, const ImageReduction& rule);
