// The row-by-row reduction gives the averages that Interpolate's reduction gives.
#include "AreaReduction.h"
#include "BMPExtImage.h"

#include <gtest/gtest.h>
#include <stdexcept>

namespace {

QImage Reduce(const TExtBitmap& bitmap, QSize target) {
    AreaReduction reduction(QSize(bitmap.Width(), bitmap.Height()), target);
    for (int y = 0; y < bitmap.Height(); ++y) reduction.AddRow(bitmap.ScanLine(y));
    EXPECT_TRUE(reduction.Complete());
    return reduction.Result();
}

void MakeGrey(TExtBitmap& bitmap, int width, int height) {
    bitmap.SetPixelFormat(TPixelFormat::pf8bit);
    bitmap.SetGreyPalette();
    bitmap.SetSize(width, height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            bitmap.ScanLine(y)[x] = static_cast<std::uint8_t>(((x / 7 + y / 5) % 2) * 180 + (x * y) % 71);
}

} // namespace

TEST(AreaReduction, WholeMultiplesAreExactMeans) {
    TExtBitmap bitmap;
    bitmap.SetPixelFormat(TPixelFormat::pf8bit);
    bitmap.SetSize(4, 2);
    const std::uint8_t rows[2][4] = {{0, 10, 100, 200}, {20, 30, 0, 0}};
    for (int y = 0; y < 2; ++y) std::copy(rows[y], rows[y] + 4, bitmap.ScanLine(y));
    const QImage reduced = Reduce(bitmap, QSize(2, 1));
    EXPECT_EQ(reduced.format(), QImage::Format_Grayscale8);
    EXPECT_EQ(reduced.constScanLine(0)[0], 15);
    EXPECT_EQ(reduced.constScanLine(0)[1], 75);
}

TEST(AreaReduction, FractionalRatiosMatchInterpolate) {
    TExtBitmap bitmap;
    MakeGrey(bitmap, 997, 613);
    const QImage streamed = Reduce(bitmap, QSize(120, 90));
    bitmap.Interpolate(120, 90);
    int largest = 0;
    for (int y = 0; y < 90; ++y)
        for (int x = 0; x < 120; ++x)
            largest = std::max(largest, std::abs(streamed.constScanLine(y)[x] - bitmap.ScanLine(y)[x]));
    EXPECT_LE(largest, 1);
}

TEST(AreaReduction, EqualSizeKeepsEveryPixel) {
    TExtBitmap bitmap;
    MakeGrey(bitmap, 30, 20);
    const QImage same = Reduce(bitmap, QSize(30, 20));
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 30; ++x) ASSERT_EQ(same.constScanLine(y)[x], bitmap.ScanLine(y)[x]);
}

TEST(AreaReduction, EnlargingOrEmptyTargetsAreRefused) {
    EXPECT_THROW(AreaReduction(QSize(10, 10), QSize(11, 5)), std::invalid_argument);
    EXPECT_THROW(AreaReduction(QSize(10, 10), QSize(0, 5)), std::invalid_argument);
}
