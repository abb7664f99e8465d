// Reading PNG files: round trips, text and background chunks, 16-bit and small samples, alpha compositing,
// broken files, shared graphics and concurrent use.
#include "BMPExtImage.h"
#include "PNG_IO.h"
#include "PngTestFiles.h"
#include "TestFiles.h"
#include "VelPNGImage.h"

#include <QImage>
#include <QPainter>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <png.h>
#include <sys/resource.h>
#include <thread>

namespace {

class PngLoad : public testing::Test {
protected:
    QString PathOf(const QString& name) const { return dir.filePath(name); }

    QString SavedGreyPattern(int width, int height) {
        TExtBitmap bitmap;
        MakeGreyPattern(bitmap, width, height);
        const QString path = PathOf(QStringLiteral("grey%1x%2.png").arg(width).arg(height));
        EXPECT_TRUE(SavePngFile(bitmap, path).ok());
        return path;
    }

    QTemporaryDir dir;
};

std::vector<std::uint8_t> RowOf(const TExtBitmap& bitmap, int y, int bytes) {
    return {bitmap.ScanLine(y), bitmap.ScanLine(y) + bytes};
}

} // namespace

TEST_F(PngLoad, SavedGreyImageRoundTripsIntoGreyOrColourBitmaps) {
    const QString path = SavedGreyPattern(37, 11);
    TExtBitmap expected;
    MakeGreyPattern(expected, 37, 11);

    TExtBitmap grey;
    grey.SetPixelFormat(TPixelFormat::pf8bit);
    QList<QRgb> ownPalette = TExtBitmap::GreyRamp();
    ownPalette[0] = qRgb(1, 2, 3);
    grey.SetPalette(ownPalette);
    grey.SetSize(500, 3);
    ASSERT_TRUE(LoadPngIntoBitmap(grey, path, false, false));
    ASSERT_EQ(grey.PixelFormat(), TPixelFormat::pf8bit);
    ASSERT_EQ(grey.Width(), 37);
    ASSERT_EQ(grey.Height(), 11);
    EXPECT_EQ(grey.Palette(), ownPalette);
    for (int y = 0; y < 11; ++y) EXPECT_EQ(RowOf(grey, y, 37), RowOf(expected, y, 37));

    TExtBitmap colour;
    ASSERT_TRUE(LoadPngIntoBitmap(colour, path, true, false));
    ASSERT_EQ(colour.PixelFormat(), TPixelFormat::pf24bit);
    for (int y = 0; y < 11; ++y)
        for (int x = 0; x < 37; ++x)
            for (int c = 0; c < 3; ++c) ASSERT_EQ(colour.ScanLine(y)[x * 3 + c], expected.ScanLine(y)[x]);
}

TEST_F(PngLoad, TextKeysMatchInAnyCaseAndEveryChunkIsListed) {
    PngFileLayout layout;
    layout.rows = {{0}};
    layout.texts = {{"title", "T1"}, {"AUTHOR", "A1"}, {"Software", "S1"}, {"Comment", "c"}};
    WritePngFile(PathOf("texts.png"), layout);
    TPngImage image;
    image.Description = "kept";
    image.LoadFromFile(PathOf("texts.png"));
    EXPECT_EQ(image.Title, "T1");
    EXPECT_EQ(image.Author, "A1");
    EXPECT_EQ(image.Software, "");
    EXPECT_EQ(image.Description, "kept");
    EXPECT_EQ(image.TextChk(), (QStringList{"title=T1", "AUTHOR=A1", "Software=S1", "Comment=c"}));
    EXPECT_FALSE(image.Transparent());
}

TEST_F(PngLoad, ProgressHandlerThrowingOnARowStopsTheReadWithItsException) {
    const QString path = SavedGreyPattern(8, 8);
    TPngImage image;
    image.OnProgress = [](TPngImage&, TProgressStage stage, std::uint8_t, bool, const QRect&,
                          const QString&) {
        if (stage == TProgressStage::psRunning) throw std::runtime_error("cancelled");
    };
    try {
        image.LoadFromFile(path);
        FAIL() << "the read went on past the handler's exception";
    } catch (const std::runtime_error& error) {
        EXPECT_STREQ(error.what(), "cancelled");
    }
}

TEST_F(PngLoad, BackgroundChunkMakesTheBitmapTransparentAndTimeIsRead) {
    PngFileLayout layout;
    layout.rows = {{9}};
    layout.background = true;
    layout.time = {2025, 4, 12, 3, 40, 5};
    WritePngFile(PathOf("background.png"), layout);
    TPngImage image;
    image.LoadFromFile(PathOf("background.png"));
    EXPECT_TRUE(image.Transparent());
    EXPECT_DOUBLE_EQ(image.LastModified(), EncodeDateTime({2025, 4, 12, 3, 40, 5, 0}));
    TExtBitmap bitmap;
    ASSERT_TRUE(LoadPngIntoBitmap(bitmap, PathOf("background.png"), false, false));
    EXPECT_TRUE(bitmap.Transparent);
}

TEST_F(PngLoad, SixteenBitSamplesReadAsTheirHighBytes) {
    PngFileLayout layout;
    layout.width = 3;
    layout.bitDepth = 16;
    layout.rows = {{0x12, 0x34, 0xAB, 0xCD, 0xFF, 0x00}};
    WritePngFile(PathOf("deep.png"), layout);
    TExtBitmap bitmap;
    ASSERT_TRUE(LoadPngIntoBitmap(bitmap, PathOf("deep.png"), false, false));
    ASSERT_EQ(bitmap.PixelFormat(), TPixelFormat::pf8bit);
    EXPECT_EQ(RowOf(bitmap, 0, 3), (std::vector<std::uint8_t>{0x12, 0xAB, 0xFF}));
}

TEST_F(PngLoad, SmallSamplesAndInterlacingAreExpanded) {
    PngFileLayout grey;
    grey.width = 10;
    grey.height = 9;
    grey.bitDepth = 1;
    grey.interlaced = true;
    grey.rows.assign(9, {0b10100000, 0b01000000});
    WritePngFile(PathOf("bits.png"), grey);
    TPngImage image;
    image.ForceColor = false;
    image.LoadFromFile(PathOf("bits.png"));
    EXPECT_EQ(image.NumberOfPasses(), 7);
    TExtBitmap bitmap;
    image.CopyToBitmap(bitmap, 0, 0);
    for (int y = 0; y < 9; ++y)
        EXPECT_EQ(RowOf(bitmap, y, 10), (std::vector<std::uint8_t>{255, 0, 255, 0, 0, 0, 0, 0, 0, 255}));

    PngFileLayout indexed;
    indexed.width = 3;
    indexed.bitDepth = 4;
    indexed.colorType = PNG_COLOR_TYPE_PALETTE;
    indexed.paletteRgb = {0, 0, 0, 10, 20, 30, 200, 100, 50};
    indexed.rows = {{0x21, 0x00}};
    WritePngFile(PathOf("indexed.png"), indexed);
    ASSERT_TRUE(LoadPngIntoBitmap(bitmap, PathOf("indexed.png"), false, false));
    EXPECT_EQ(RowOf(bitmap, 0, 3), (std::vector<std::uint8_t>{2, 1, 0}));
    EXPECT_EQ(bitmap.Palette(), (QList<QRgb>{qRgb(0, 0, 0), qRgb(10, 20, 30), qRgb(200, 100, 50)}));
}

TEST_F(PngLoad, CopyToBitmapEnlargesTheBitmapAroundWhatItHeld) {
    const QString path = SavedGreyPattern(100, 50);
    TPngImage image;
    image.ForceColor = false;
    image.LoadFromFile(path);
    TExtBitmap bitmap;
    bitmap.SetPixelFormat(TPixelFormat::pf8bit);
    bitmap.SetSize(5, 5);
    bitmap.ScanLine(2)[2] = 77;
    image.CopyToBitmap(bitmap, 10, 20);
    EXPECT_EQ(bitmap.Width(), 110);
    EXPECT_EQ(bitmap.Height(), 70);
    EXPECT_EQ(bitmap.ScanLine(2)[2], 77);
    EXPECT_EQ(bitmap.ScanLine(10)[50], 0);
    EXPECT_EQ(bitmap.ScanLine(20)[10], image.Row(0)[0]);
    EXPECT_EQ(bitmap.ScanLine(69)[109], image.Row(49)[99]);
}

TEST_F(PngLoad, AlphaIsCompositedOverWhatTheBitmapHolds) {
    PngFileLayout rgba;
    rgba.width = 3;
    rgba.colorType = PNG_COLOR_TYPE_RGB_ALPHA;
    rgba.rows = {{255, 255, 255, 255, 255, 255, 255, 0, 255, 255, 255, 128}};
    WritePngFile(PathOf("rgba.png"), rgba);
    TPngImage image;
    image.LoadFromFile(PathOf("rgba.png"));
    TExtBitmap bitmap;
    bitmap.SetPixelFormat(TPixelFormat::pf24bit);
    bitmap.SetSize(3, 1);
    image.CopyToBitmap(bitmap, 0, 0);
    EXPECT_EQ(RowOf(bitmap, 0, 9), (std::vector<std::uint8_t>{255, 255, 255, 0, 0, 0, 128, 128, 128}));

    PngFileLayout greyAlpha = rgba;
    greyAlpha.colorType = PNG_COLOR_TYPE_GRAY_ALPHA;
    greyAlpha.rows = {{200, 255, 200, 0, 255, 128}};
    WritePngFile(PathOf("greyalpha.png"), greyAlpha);
    TExtBitmap grey;
    grey.SetPixelFormat(TPixelFormat::pf8bit);
    grey.SetSize(3, 1);
    std::fill_n(grey.ScanLine(0), 3, 100);
    ASSERT_TRUE(LoadPngIntoBitmap(grey, PathOf("greyalpha.png"), false, true));
    ASSERT_EQ(grey.PixelFormat(), TPixelFormat::pf8bit);
    // (127 * 100 + 128 * 255) / 255 = 177 for the half-transparent pixel.
    EXPECT_EQ(RowOf(grey, 0, 3), (std::vector<std::uint8_t>{200, 100, 177}));
}

TEST_F(PngLoad, BrokenFilesFailWithoutTouchingTheBitmap) {
    const QByteArray good = ReadWholeFile(SavedGreyPattern(64, 64));
    ASSERT_GT(good.size(), 200);
    auto flipped = [&](qsizetype at) {
        QByteArray bytes = good;
        bytes[at] = static_cast<char>(bytes[at] ^ 0x40);
        return bytes;
    };
    const qsizetype idat = good.indexOf("IDAT");
    QByteArray zeroWidth = good.left(8) +
                           ChunkBytes("IHDR", QByteArray("\0\0\0\0\0\0\0\x40\x08\0\0\0\0", 13)) +
                           good.mid(8 + 25);
    PngFileLayout badDate;
    badDate.rows = {{1}};
    badDate.time = {2025, 2, 30, 12, 0, 0};
    WritePngFile(PathOf("baddate.png"), badDate);

    const std::vector<std::pair<const char*, QByteArray>> broken = {
        {"empty", QByteArray()},
        {"not a PNG", QByteArray("GIF89a and some more bytes")},
        {"signature only", good.left(8)},
        {"cut in the header", good.left(20)},
        {"cut after the header", good.left(33)},
        {"cut in the data", good.left(idat + 40)},
        {"cut before the end", good.left(good.size() - 12)},
        {"header CRC flipped", flipped(30)},
        {"data CRC flipped", flipped(idat + 4 + BigEndian32(good, static_cast<int>(idat) - 4) + 1)},
        {"zero width", zeroWidth},
    };
    for (const auto& [name, bytes] : broken) {
        SCOPED_TRACE(name);
        const QString path = PathOf(QString("broken-%1.png").arg(name));
        ASSERT_TRUE(WriteWholeFile(path, bytes));
        TExtBitmap bitmap;
        MakeGreyPattern(bitmap, 3, 2);
        EXPECT_FALSE(LoadPngIntoBitmap(bitmap, path, false, false));
        EXPECT_EQ(bitmap.Width(), 3);
        EXPECT_EQ(bitmap.Height(), 2);
        EXPECT_EQ(RowOf(bitmap, 1, 3), (std::vector<std::uint8_t>{13, 20, 27}));
        TPngImage image;
        EXPECT_THROW(image.LoadFromFile(path), std::exception);
    }

    TExtBitmap bitmap;
    EXPECT_FALSE(LoadPngIntoBitmap(bitmap, PathOf("baddate.png"), false, false));
    EXPECT_FALSE(LoadPngIntoBitmap(bitmap, PathOf("missing.png"), false, false));
    EXPECT_TRUE(bitmap.Empty());

    TPngImage image;
    ASSERT_TRUE(WriteWholeFile(PathOf("text.png"), "plain text, long enough"));
    try {
        image.LoadFromFile(PathOf("text.png"));
        FAIL() << "a text file was read";
    } catch (const std::runtime_error& error) {
        EXPECT_STREQ(error.what(), "Is not a valid PNG !");
    }
}

TEST_F(PngLoad, TextChunkDeclaringGigabytesTakesNoMemory) {
    // A file of 140 bytes whose second chunk says it holds 1.6 GB of text.
    const QByteArray good = ReadWholeFile(SavedGreyPattern(4, 4));
    const QByteArray bytes = good.left(33) + QByteArray::fromHex("60000000") + "tEXt" + QByteArray(100, 'x');
    const QString path = PathOf("huge-text.png");
    ASSERT_TRUE(WriteWholeFile(path, bytes));
    rusage before{};
    ASSERT_EQ(getrusage(RUSAGE_SELF, &before), 0);
    TExtBitmap bitmap;
    EXPECT_FALSE(LoadPngIntoBitmap(bitmap, path, false, false));
    rusage after{};
    ASSERT_EQ(getrusage(RUSAGE_SELF, &after), 0);
    EXPECT_LT(after.ru_maxrss - before.ru_maxrss, 200 * 1024) << "peak kB";
}

TEST_F(PngLoad, LoadsAndSavesOnTwoThreadsDoNotInterfere) {
    const QString path = SavedGreyPattern(200, 100);
    TExtBitmap expected;
    MakeGreyPattern(expected, 200, 100);
    bool loadsMatched = true;
    bool savesMatched = true;
    std::thread loader([&] {
        for (int i = 0; i < 20; ++i) {
            TExtBitmap bitmap;
            loadsMatched = loadsMatched && LoadPngIntoBitmap(bitmap, path, false, false) &&
                           RowOf(bitmap, 99, 200) == RowOf(expected, 99, 200);
        }
    });
    std::thread saver([&] {
        TExtBitmap bitmap;
        MakeGreyPattern(bitmap, 150, 80);
        for (int i = 0; i < 20; ++i) {
            const QString target = PathOf(QString("thread%1.png").arg(i));
            savesMatched = savesMatched && SavePngFile(bitmap, target).ok() &&
                           DecodeRgb(target).size() == 150u * 80u * 3u;
        }
    });
    loader.join();
    saver.join();
    EXPECT_TRUE(loadsMatched);
    EXPECT_TRUE(savesMatched);
}
