// Reading a saved image file into a bitmap by its extension, and reducing one to thumbnail size. Nothing here
// touches a widget: the scan's worker thread makes the thumbnails, so the window never waits for a decode.
#pragma once

#include "LoadProgress.h"
#include "ReducedImageReading.h"

#include <QImage>
#include <QSize>
#include <QString>
#include <optional>

class TExtBitmap;

inline constexpr int kThumbnailSide = 120;
// Files below this size are not taken for a thumbnail at start-up (a partly written image).
inline constexpr qint64 kMinimumRestoreBytes = 25000;

// ".JPG" files go through the JPEG codec (the bitmap's own format, full size), ".PNG" files through the PNG
// codec (no colour forcing, the bitmap resized to the image); the extension's case does not matter. False for
// any other extension (the bitmap is then untouched) and for a file that cannot be read. Never throws: an
// image too large for memory leaves the bitmap empty. progress, when given, follows the decoding.
bool LoadImageFileIntoBitmap(TExtBitmap& bitmap, const QString& path, const TLoadProgress& progress = {});

// A grey JPEG or PNG file (by its extension) reduced as `rule` says while it is decoded, so a full disk is
// never held whole; empty for every other file and for one that cannot be read this way.
std::optional<QImage> ReadReducedImageFile(const QString& path, const ImageReduction& rule);

// The file read into an 8-bit grey bitmap and reduced to `size` by area averaging, as an 8-bit grey image.
// Grey PNGs and JPEGs larger than `size` are reduced row by row as they are decoded, so a full disk is never
// held whole. Empty when the file cannot be read or the bitmap cannot be reduced to that size.
std::optional<QImage> LoadReducedImage(const QString& path, QSize size);

// The file as an 8-bit grey image (a colour file's colours become grey levels); null when it cannot be read.
// progress, when given, follows the decoding.
QImage LoadGreyImage(const QString& path, const TLoadProgress& progress = {});

// A Format_Grayscale8 image as the bitmaps' 8-bit format: indexed, with the grey ramp; null when memory runs
// out.
QImage IndexedGrey(const QImage& grey);

// An earlier run's image for a thumbnail: only an existing file of at least kMinimumRestoreBytes with a
// ".jpg" or ".png" extension that can be read and reduced; empty for anything else.
std::optional<QImage> LoadRestorableImage(const QString& path, QSize size);
