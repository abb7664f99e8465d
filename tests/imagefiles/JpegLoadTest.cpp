// LoadJpegIntoBitmap: round trips, channel order, formats, reduced reads and damaged files.
#include "JPEG_IO.h"
#include "JpegTestFiles.h"

#include <QImage>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <memory>

namespace {

const QString kComment = QStringLiteral("https://stratolux.example/");

class JpegLoad : public testing::Test {
protected:
    QString PathOf(const QString& name) const { return folder_.filePath(name); }

    QString SavedGrey(int width, int height, int quality = 92) {
        TExtBitmap bitmap;
        FillGrey(bitmap, width, height);
        const QString path = PathOf(QStringLiteral("grey-%1x%2.jpg").arg(width).arg(height));
        EXPECT_TRUE(SaveJpegFile(bitmap, path, quality, kComment, false).ok());
        return path;
    }

    QString SavedBlueAndRed(int width, int height) {
        TExtBitmap bitmap;
        FillBlueAndRed(bitmap, width, height);
        const QString path = PathOf(QStringLiteral("colour.jpg"));
        EXPECT_TRUE(SaveJpegFile(bitmap, path, 92, kComment, false).ok());
        return path;
    }

    QTemporaryDir folder_;
};

// A bitmap of `format` with the file read into it; null when the read failed.
std::unique_ptr<TExtBitmap> Read(const QString& path, TPixelFormat format, bool adoptFormat,
                                 std::uint8_t scale = 0) {
    auto bitmap = std::make_unique<TExtBitmap>();
    bitmap->SetPixelFormat(format);
    if (!LoadJpegIntoBitmap(*bitmap, path, adoptFormat, scale)) return nullptr;
    return bitmap;
}

void ExpectNear(const std::uint8_t* pixel, std::initializer_list<int> expected, int tolerance) {
    int channel = 0;
    for (int value : expected) EXPECT_NEAR(pixel[channel++], value, tolerance) << "channel " << channel - 1;
}

} // namespace

TEST_F(JpegLoad, GreyRoundTripKeepsSizeFormatAndPixels) {
    const auto bitmap = Read(SavedGrey(2000, 1000), TPixelFormat::pf8bit, false);
    ASSERT_TRUE(bitmap);
    EXPECT_EQ(bitmap->PixelFormat(), TPixelFormat::pf8bit);
    EXPECT_EQ(bitmap->Width(), 2000);
    EXPECT_EQ(bitmap->Height(), 1000);
    EXPECT_EQ(bitmap->Palette(), TExtBitmap::GreyRamp());
    EXPECT_TRUE(bitmap->Modified());
    const GreyDeviation deviation = CompareWithGreyPattern(*bitmap);
    EXPECT_LE(deviation.largest, 8);
    EXPECT_LT(deviation.mean, 1.0);
}

TEST_F(JpegLoad, OddWidthsReadIntoPaddedRows) {
    const QString path = SavedGrey(1001, 999, 99);
    const auto grey = Read(path, TPixelFormat::pf8bit, false);
    ASSERT_TRUE(grey);
    EXPECT_LT(CompareWithGreyPattern(*grey).mean, 1.0);

    const auto colour = Read(path, TPixelFormat::pf24bit, false);
    ASSERT_TRUE(colour);
    EXPECT_EQ(colour->PixelFormat(), TPixelFormat::pf24bit);
    for (int y : {0, 500, 998})
        for (int x : {0, 333, 1000}) ExpectNear(colour->ScanLine(y) + 3 * x, {grey->ScanLine(y)[x]}, 2);
}

TEST_F(JpegLoad, ColourKeepsItsChannelOrder) {
    const QString path = SavedBlueAndRed(64, 32);
    // Another decoder sees blue on the left and red on the right.
    const QImage independent(path);
    ASSERT_FALSE(independent.isNull());
    EXPECT_GT(qBlue(independent.pixel(8, 16)), 230);
    EXPECT_LT(qRed(independent.pixel(8, 16)), 25);
    EXPECT_GT(qRed(independent.pixel(56, 16)), 230);
    EXPECT_LT(qBlue(independent.pixel(56, 16)), 25);

    const auto bitmap = Read(path, TPixelFormat::pf8bit, true);
    ASSERT_TRUE(bitmap);
    EXPECT_EQ(bitmap->PixelFormat(), TPixelFormat::pf24bit);
    ExpectNear(bitmap->ScanLine(16) + 3 * 8, {255, 0, 0}, 25);
    ExpectNear(bitmap->ScanLine(16) + 3 * 56, {0, 0, 255}, 25);
}

TEST_F(JpegLoad, ColourIntoEightBitArrivesAsGreyLevels) {
    const auto bitmap = Read(SavedBlueAndRed(64, 32), TPixelFormat::pf8bit, false);
    ASSERT_TRUE(bitmap);
    EXPECT_EQ(bitmap->PixelFormat(), TPixelFormat::pf8bit);
    EXPECT_NEAR(bitmap->ScanLine(16)[8], 29, 6);  // luma of pure blue
    EXPECT_NEAR(bitmap->ScanLine(16)[56], 76, 6); // luma of pure red
}

TEST_F(JpegLoad, AdoptFormatGivesTheJpegsFormat) {
    // A grey image saved by the system has three components.
    const auto threeComponents = Read(SavedGrey(40, 30), TPixelFormat::pf16bit, true);
    ASSERT_TRUE(threeComponents);
    EXPECT_EQ(threeComponents->PixelFormat(), TPixelFormat::pf24bit);
    EXPECT_EQ(threeComponents->Width(), 40);

    TExtBitmap grey;
    FillGrey(grey, 40, 30);
    const QString path = PathOf(QStringLiteral("one.jpg"));
    ASSERT_TRUE(SaveJpegFile(grey, path, 92, kComment, true).ok());
    const auto oneComponent = Read(path, TPixelFormat::pf24bit, true);
    ASSERT_TRUE(oneComponent);
    EXPECT_EQ(oneComponent->PixelFormat(), TPixelFormat::pf8bit);
    EXPECT_EQ(oneComponent->Palette(), TExtBitmap::GreyRamp());
}

TEST_F(JpegLoad, ReducedReadsRoundTheSizeUp) {
    const QString path = SavedGrey(1001, 999);
    const struct {
        std::uint8_t scale;
        int width;
        int height;
    } cases[] = {{0, 1001, 999}, {1, 501, 500}, {2, 251, 250}, {3, 126, 125}, {7, 1001, 999}};
    for (const auto& reduced : cases) {
        const auto bitmap = Read(path, TPixelFormat::pf8bit, false, reduced.scale);
        ASSERT_TRUE(bitmap) << "scale " << int(reduced.scale);
        EXPECT_EQ(bitmap->Width(), reduced.width) << "scale " << int(reduced.scale);
        EXPECT_EQ(bitmap->Height(), reduced.height) << "scale " << int(reduced.scale);
    }
}

TEST_F(JpegLoad, UnusableBitmapFormatIsRefusedAndLeftAlone) {
    const QString path = SavedGrey(40, 30);
    for (TPixelFormat format : {TPixelFormat::pf16bit, TPixelFormat::pf32bit}) {
        TExtBitmap bitmap;
        bitmap.SetPixelFormat(format);
        bitmap.SetSize(7, 3);
        EXPECT_FALSE(LoadJpegIntoBitmap(bitmap, path, false, 0));
        EXPECT_EQ(bitmap.PixelFormat(), format);
        EXPECT_EQ(bitmap.Width(), 7);
        EXPECT_EQ(bitmap.Height(), 3);
        EXPECT_FALSE(bitmap.Modified());
    }
}

TEST_F(JpegLoad, FourComponentsAreColourAndAlphaPremultiplied) {
    const QString path = PathOf(QStringLiteral("cmyk.jpg"));
    ASSERT_TRUE(WriteWholeFile(path, FourComponentJpeg(24, 16, {200, 100, 50, 128})));
    const int red = 200 * 128 / 255, green = 100 * 128 / 255, blue = 50 * 128 / 255;

    const auto adopted = Read(path, TPixelFormat::pf8bit, true);
    ASSERT_TRUE(adopted);
    EXPECT_EQ(adopted->PixelFormat(), TPixelFormat::pf32bit);
    ExpectNear(adopted->ScanLine(8) + 4 * 12, {blue, green, red, 128}, 3);

    const auto colour = Read(path, TPixelFormat::pf24bit, false, 1);
    ASSERT_TRUE(colour);
    EXPECT_EQ(colour->Width(), 12);
    ExpectNear(colour->ScanLine(4) + 3 * 6, {blue, green, red}, 3);

    const auto grey = Read(path, TPixelFormat::pf8bit, false);
    ASSERT_TRUE(grey);
    EXPECT_NEAR(grey->ScanLine(8)[12], (77 * red + 150 * green + 29 * blue) / 256, 3);
}

TEST_F(JpegLoad, DamagedOrMissingFilesGiveFalse) {
    const QByteArray good = ReadWholeFile(SavedGrey(300, 200));
    const qsizetype scanStart = good.indexOf(QByteArray("\xFF\xDA", 2));
    ASSERT_GT(scanStart, 0);
    const QList<std::pair<const char*, QByteArray>> files = {
        {"empty", QByteArray()},
        {"not a JPEG", QByteArray("P5\n300 200\n255\n") + QByteArray(1000, '\x40')},
        {"SOI only", good.left(2)},
        {"header without scan", good.left(scanStart)},
        {"scan header only", good.left(scanStart + 14)},
        {"half the scan", good.left((scanStart + good.size()) / 2)},
        {"all but EOI", good.left(good.size() - 2)},
        {"garbage after SOI", good.left(2) + QByteArray(5000, '\x5A')},
    };
    for (const auto& [what, bytes] : files) {
        const QString path = PathOf(QStringLiteral("damaged.jpg"));
        ASSERT_TRUE(WriteWholeFile(path, bytes));
        EXPECT_FALSE(Read(path, TPixelFormat::pf8bit, false)) << what;
    }
    EXPECT_FALSE(Read(PathOf(QStringLiteral("missing.jpg")), TPixelFormat::pf8bit, false));
    EXPECT_FALSE(Read(folder_.path(), TPixelFormat::pf8bit, false));
}

TEST_F(JpegLoad, ScanEndingEarlyLeavesTheNewSizeClearedToZero) {
    const QByteArray good = ReadWholeFile(SavedGrey(300, 200));
    const QString path = PathOf(QStringLiteral("truncated.jpg"));
    ASSERT_TRUE(WriteWholeFile(path, good.left(good.size() * 2 / 3)));
    TExtBitmap bitmap;
    bitmap.SetPixelFormat(TPixelFormat::pf8bit);
    bitmap.SetSize(10, 10);

    EXPECT_FALSE(LoadJpegIntoBitmap(bitmap, path, false, 0));
    ASSERT_EQ(bitmap.Width(), 300);
    ASSERT_EQ(bitmap.Height(), 200);
    for (int y = 0; y < bitmap.Height(); ++y)
        for (int x = 0; x < bitmap.Width(); ++x) ASSERT_EQ(bitmap.ScanLine(y)[x], 0) << x << ", " << y;
}

TEST_F(JpegLoad, HeaderDeclaringMoreThanTheFileCanHoldIsRefusedBeforeSizingTheBitmap) {
    QByteArray bytes = ReadWholeFile(SavedGrey(300, 200));
    const qsizetype frame = bytes.indexOf(QByteArray("\xFF\xC0", 2));
    ASSERT_GT(frame, 0);
    // Height and width of the frame header: 10755 × 64776 pixels in a file of a few kilobytes.
    bytes[frame + 5] = char(0x2A), bytes[frame + 6] = char(0x03);
    bytes[frame + 7] = char(0xFD), bytes[frame + 8] = char(0x08);
    const QString path = PathOf(QStringLiteral("huge.jpg"));
    ASSERT_TRUE(WriteWholeFile(path, bytes));
    TExtBitmap bitmap;
    bitmap.SetPixelFormat(TPixelFormat::pf8bit);
    bitmap.SetSize(10, 10);

    EXPECT_FALSE(LoadJpegIntoBitmap(bitmap, path, false, 0));
    EXPECT_EQ(bitmap.Width(), 10);
    EXPECT_EQ(bitmap.Height(), 10);
}
