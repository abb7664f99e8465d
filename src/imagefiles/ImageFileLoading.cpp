// Reading a saved image file into a bitmap by its extension, and reducing one to thumbnail size.
#include "ImageFileLoading.h"

#include "BMPExtImage.h"
#include "JPEG_IO.h"
#include "PNG_IO.h"
#include "ReducedImageReading.h"
#include "Utils.h"

#include <QFileInfo>
#include <cstring>
#include <exception>
#include <new>

bool LoadImageFileIntoBitmap(TExtBitmap& bitmap, const QString& path, const TLoadProgress& progress) {
    const QString extension = QFileInfo(path).suffix().toUpper();
    try {
        if (extension == QLatin1String("JPG")) return LoadJpegIntoBitmap(bitmap, path, false, 0, progress);
        if (extension == QLatin1String("PNG")) return LoadPngIntoBitmap(bitmap, path, false, false, progress);
    } catch (const std::bad_alloc&) {
        // An image too large for memory cannot be shown; the bitmap is left empty.
        bitmap.SetSize(0, 0);
        return false;
    }
    return false;
}

std::optional<QImage> ReadReducedImageFile(const QString& path, const ImageReduction& rule) {
    const QString extension = QFileInfo(path).suffix().toUpper();
    if (extension == QLatin1String("JPG")) return ReadReducedJpeg(path, rule);
    if (extension == QLatin1String("PNG")) return ReadReducedPng(path, rule);
    return std::nullopt;
}

std::optional<QImage> LoadReducedImage(const QString& path, QSize size) {
    if (std::optional<QImage> reduced = ReadReducedImageFile(path, ReductionTo(size))) return reduced;
    // Any other file (a colour PNG, an image smaller than the thumbnail, a corrupt file) is read whole.
    try {
        TExtBitmap bitmap;
        bitmap.SetPixelFormat(TPixelFormat::pf8bit);
        bitmap.SetGreyPalette();
        if (!LoadImageFileIntoBitmap(bitmap, path)) return std::nullopt;
        bitmap.Interpolate(size.width(), size.height());
        if (bitmap.Empty()) return std::nullopt;
        return bitmap.Image().convertToFormat(QImage::Format_Grayscale8);
    } catch (const std::exception&) {
        // A bitmap that refuses the reduction (or memory running out) leaves the thumbnail as it was.
        return std::nullopt;
    }
}

QImage LoadGreyImage(const QString& path, const TLoadProgress& progress) {
    TExtBitmap bitmap;
    bitmap.SetPixelFormat(TPixelFormat::pf8bit);
    bitmap.SetGreyPalette();
    if (!LoadImageFileIntoBitmap(bitmap, path, progress) || bitmap.Empty()) return {};
    if (bitmap.PixelFormat() == TPixelFormat::pf8bit) return bitmap.Image();
    // A colour file (another program may have replaced ours) is shown as its grey levels.
    return IndexedGrey(bitmap.Image().convertToFormat(QImage::Format_Grayscale8));
}

QImage IndexedGrey(const QImage& grey) {
    QImage indexed(grey.size(), QImage::Format_Indexed8);
    if (indexed.isNull()) return {};
    indexed.setColorTable(TExtBitmap::GreyRamp());
    for (int y = 0; y < grey.height(); ++y)
        std::memcpy(indexed.scanLine(y), grey.constScanLine(y), grey.width());
    return indexed;
}

std::optional<QImage> LoadRestorableImage(const QString& path, QSize size) {
    const Result<qint64> fileSize = FileSizeOf(path);
    if (!fileSize || *fileSize < kMinimumRestoreBytes) return std::nullopt;
    return LoadReducedImage(path, size);
}
