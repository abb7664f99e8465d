// Image files for the widget tests, written with the program's own codecs.
#include "UiTestImages.h"

#include "JPEG_IO.h"
#include "PNG_IO.h"

#include <QFile>
#include <gtest/gtest.h>

void MakeGreyBitmap(TExtBitmap& bitmap, int width, int height, const GreyPixel& pixel) {
    bitmap.SetPixelFormat(TPixelFormat::pf8bit);
    bitmap.SetGreyPalette();
    bitmap.SetSize(width, height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) bitmap.ScanLine(y)[x] = pixel(x, y);
}

GreyPixel NoisyGrey(int grey, int noise) {
    return [grey, noise](int x, int y) {
        const std::uint32_t hash = (static_cast<std::uint32_t>(x) * 73856093u) ^
                                   (static_cast<std::uint32_t>(y) * 19349663u) * 2654435761u;
        return static_cast<std::uint8_t>(grey - noise + static_cast<int>((hash >> 13) % (2 * noise + 1)));
    };
}

void WritePng(const TExtBitmap& bitmap, const QString& path) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    ASSERT_TRUE(SaveBitmapAsPng(bitmap, file, {}, {}, {}, {}, {}).ok());
}

void WriteJpeg(const TExtBitmap& bitmap, const QString& path) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    ASSERT_TRUE(SaveBitmapAsJpeg(bitmap, file, 95, {}, false).ok());
}

void PadFile(const QString& path, qint64 size) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::Append));
    ASSERT_LE(file.size(), size) << "the test image is already larger than the size to pad to";
    ASSERT_EQ(file.write(QByteArray(size - file.size(), '\0')), size - file.size());
}

double MeanGrey(const TExtBitmap& bitmap) {
    double total = 0;
    for (int y = 0; y < bitmap.Height(); ++y)
        for (int x = 0; x < bitmap.Width(); ++x) total += bitmap.ScanLine(y)[x];
    return total / (static_cast<double>(bitmap.Width()) * bitmap.Height());
}
