// The program's PNG writer against libpng's writer on every band's converted image: the same pixels, the
// same chunks with the same texts, and a file at most 3 % larger.
#include "AbiBitmap.h"
#include "AbiSample.h"
#include "BMPExtImage.h"
#include "PNG_IO.h"
#include "PngTestFiles.h"
#include "TestFiles.h"
#include "VelPNGImage.h"

#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <png.h>

namespace {

// The chunks of a file with its run of IDAT chunks as one and the time of writing left out.
std::vector<PngChunk> ComparableChunks(const QString& path) {
    std::vector<PngChunk> chunks;
    for (PngChunk& chunk : ParseChunks(ReadWholeFile(path))) {
        if (chunk.type == "tIME") chunk.data.clear();
        if (chunk.type == "IDAT" && !chunks.empty() && chunks.back().type == "IDAT") continue;
        if (chunk.type == "IDAT") chunk.data.clear();
        chunks.push_back(std::move(chunk));
    }
    return chunks;
}

void SaveWithLibpng(const TExtBitmap& bitmap, const QString& path) {
    TPngImage image;
    image.ShareRowsOf(bitmap);
    image.CompressionLevel = 4;
    image.Filters = PNG_FILTER_NONE | PNG_FILTER_SUB | PNG_FILTER_PAETH;
    image.Author = "https://example.org";
    image.Description = "GOES image from ABI";
    image.Software = "Nimbrel's Stratolux";
    image.Title = "2025-01-21 20:02";
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    image.SaveToStream(file);
}

} // namespace

TEST(PngWriter, EveryBandGivesLibpngsPixelsAndChunksInAtMostThreePercentMoreBytes) {
    QTemporaryDir dir;
    for (int band = 1; band <= 16; ++band) {
        AbiSampleOptions sample;
        sample.band = band;
        sample.size = 600;
        TExtBitmap bitmap;
        bitmap.SetPixelFormat(TPixelFormat::pf8bit);
        float longitude = 0;
        ASSERT_TRUE(
            ReadAbiImage(AbiReadRequest::ByName(WriteAbiSample(sample, dir.path())), bitmap, longitude));
        const QString ours = dir.filePath(QString("ours-%1.png").arg(band));
        const QString libpngs = dir.filePath(QString("libpng-%1.png").arg(band));
        ASSERT_TRUE(SavePngFile(bitmap, ours, "https://example.org", "GOES image from ABI",
                                "Nimbrel's Stratolux", "2025-01-21 20:02")
                        .ok());
        SaveWithLibpng(bitmap, libpngs);

        EXPECT_EQ(DecodeRgb(ours), DecodeRgb(libpngs)) << "band " << band;
        const auto ourChunks = ComparableChunks(ours), libpngChunks = ComparableChunks(libpngs);
        ASSERT_EQ(ChunkTypes(ourChunks), ChunkTypes(libpngChunks)) << "band " << band;
        for (std::size_t i = 0; i < ourChunks.size(); ++i)
            EXPECT_EQ(ourChunks[i].data, libpngChunks[i].data) << "band " << band << " " << ourChunks[i].type;
        EXPECT_LE(QFileInfo(ours).size(), QFileInfo(libpngs).size() * 1.03) << "band " << band;
    }
}

TEST(PngWriter, ImageDeflatedInManyPiecesDecodesToItsPixels) {
    // About 30 MB of rows, so that they are deflated in several pieces of several blocks each: noise in
    // some rows and flat runs in others make the pieces' blocks end at every bit position.
    TExtBitmap bitmap;
    MakeGreyPattern(bitmap, 5000, 6000);
    std::uint32_t noise = 1;
    for (int y = 0; y < bitmap.Height(); y += 2)
        for (int x = (y / 2) % 7; x < bitmap.Width(); x += 1 + y % 5) {
            noise = noise * 1664525u + 1013904223u;
            bitmap.ScanLine(y)[x] = static_cast<std::uint8_t>(noise >> 24);
        }
    QTemporaryDir dir;
    const QString path = dir.filePath("pieces.png");
    ASSERT_TRUE(SavePngFile(bitmap, path).ok());

    const std::vector<std::uint8_t> rgb = DecodeRgb(path);
    ASSERT_EQ(rgb.size(), 5000u * 6000u * 3u);
    for (int y = 0; y < bitmap.Height(); ++y)
        for (int x = 0; x < bitmap.Width(); ++x)
            ASSERT_EQ(rgb[(std::size_t(y) * 5000 + x) * 3], bitmap.ScanLine(y)[x]) << x << "," << y;
}
