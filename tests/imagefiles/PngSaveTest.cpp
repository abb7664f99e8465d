// SaveBitmapAsPng: the chunks and pixels of the datastream written, text handling, refusals and failed
// writes.
#include "BMPExtImage.h"
#include "PNG_IO.h"
#include "PngTestFiles.h"
#include "TestFiles.h"
#include "VelPNGImage.h"

#include <QBuffer>
#include <QDateTime>
#include <QFile>
#include <QTemporaryDir>
#include <cstring>
#include <gtest/gtest.h>
#include <optional>

namespace {

class PngSave : public testing::Test {
protected:
    QString PathOf(const QString& name) const { return dir.filePath(name); }

    void Save(const TExtBitmap& bitmap, const QString& path, const QString& author = "https://example.org",
              const QString& description = "GOES image from ABI",
              const QString& software = "Nimbrel's Stratolux", const QString& title = "2025-04-12 03:40",
              const TProgressEvent& onProgress = nullptr) {
        ASSERT_TRUE(SavePngFile(bitmap, path, author, description, software, title, onProgress).ok());
    }

    QTemporaryDir dir;
};

QByteArray TextChunk(const char* key, const char* text) {
    return QByteArray(key) + '\0' + QByteArray(text);
}

// The failure of saving into memory, or none; `written` receives what reached the sink.
std::optional<Failure> FailureSavingToMemory(const TExtBitmap& bitmap, const QString& title = "t",
                                             const TProgressEvent& onProgress = nullptr,
                                             QByteArray* written = nullptr) {
    QBuffer sink(written);
    sink.open(QIODevice::WriteOnly);
    const Status saved = SaveBitmapAsPng(bitmap, sink, "a", "d", "s", title, onProgress);
    if (saved) return std::nullopt;
    return saved.failure();
}

} // namespace

TEST_F(PngSave, GreyBitmapGivesSignatureHeaderTextsDataTimeAndEnd) {
    TExtBitmap bitmap;
    MakeGreyPattern(bitmap, 300, 41);
    const QString path = PathOf("grey.png");
    Save(bitmap, path);

    const auto chunks = ParseChunks(ReadWholeFile(path));
    const auto types = ChunkTypes(chunks);
    ASSERT_GE(types.size(), 8u);
    EXPECT_EQ(std::vector<std::string>(types.begin(), types.begin() + 6),
              (std::vector<std::string>{"IHDR", "tEXt", "tEXt", "tEXt", "tEXt", "IDAT"}));
    EXPECT_EQ(std::vector<std::string>(types.end() - 2, types.end()),
              (std::vector<std::string>{"tIME", "IEND"}));
    for (size_t i = 5; i + 2 < types.size(); ++i) EXPECT_EQ(types[i], "IDAT");

    const QByteArray& ihdr = chunks[0].data;
    ASSERT_EQ(ihdr.size(), 13);
    EXPECT_EQ(BigEndian32(ihdr, 0), 300u);
    EXPECT_EQ(BigEndian32(ihdr, 4), 41u);
    EXPECT_EQ(ihdr.mid(8), QByteArray("\x08\0\0\0\0", 5)); // depth 8, grey, compression, filter, interlace

    EXPECT_EQ(chunks[1].data, TextChunk("Author", "https://example.org"));
    EXPECT_EQ(chunks[2].data, TextChunk("Description", "GOES image from ABI"));
    EXPECT_EQ(chunks[3].data, TextChunk("Software", "Nimbrel's Stratolux"));
    EXPECT_EQ(chunks[4].data, TextChunk("Title", "2025-04-12 03:40"));

    const QByteArray time = chunks[types.size() - 2].data;
    ASSERT_EQ(time.size(), 7);
    const auto byte = [&](int i) { return static_cast<std::uint8_t>(time[i]); };
    const QDateTime written(QDate(byte(0) << 8 | byte(1), byte(2), byte(3)), QTime(byte(4), byte(5), byte(6)),
                            Qt::UTC);
    EXPECT_LE(std::abs(written.secsTo(QDateTime::currentDateTimeUtc())), 60);

    const auto rgb = DecodeRgb(path);
    ASSERT_EQ(rgb.size(), 300u * 41u * 3u);
    for (int y = 0; y < 41; ++y)
        for (int x = 0; x < 300; ++x)
            ASSERT_EQ(rgb[(y * 300 + x) * 3 + 1], bitmap.ScanLine(y)[x]) << x << "," << y;
}

TEST_F(PngSave, PaletteOtherThanTheGreyRampGivesPaletteColourType) {
    TExtBitmap bitmap;
    MakeGreyPattern(bitmap, 4, 4);
    QList<QRgb> palette = TExtBitmap::GreyRamp();
    palette[5] = qRgb(200, 10, 20);
    bitmap.SetPalette(palette);
    Save(bitmap, PathOf("palette.png"));
    auto chunks = ParseChunks(ReadWholeFile(PathOf("palette.png")));
    ASSERT_GE(chunks.size(), 3u);
    EXPECT_EQ(chunks[0].data[9], 3);
    ASSERT_EQ(chunks[1].type, "PLTE");
    ASSERT_EQ(chunks[1].data.size(), 256 * 3);
    EXPECT_EQ(chunks[1].data.mid(15, 3), QByteArray("\xc8\x0a\x14", 3));

    bitmap.SetPalette({});
    Save(bitmap, PathOf("nopalette.png"));
    chunks = ParseChunks(ReadWholeFile(PathOf("nopalette.png")));
    ASSERT_GE(chunks.size(), 2u);
    EXPECT_EQ(chunks[0].data[9], 0);
    EXPECT_EQ(chunks[1].type, "tEXt");
}

TEST_F(PngSave, ColourBitmapIsWrittenAsRgbAndReadBackAsBgr) {
    TExtBitmap bitmap;
    bitmap.SetPixelFormat(TPixelFormat::pf24bit);
    bitmap.SetSize(2, 1);
    const std::uint8_t bgr[] = {1, 2, 3, 40, 50, 60};
    std::copy(std::begin(bgr), std::end(bgr), bitmap.ScanLine(0));
    const QString path = PathOf("colour.png");
    Save(bitmap, path);

    EXPECT_EQ(ParseChunks(ReadWholeFile(path))[0].data[9], 2);
    EXPECT_EQ(DecodeRgb(path), (std::vector<std::uint8_t>{3, 2, 1, 60, 50, 40}));

    TExtBitmap back;
    ASSERT_TRUE(LoadPngIntoBitmap(back, path, false, false));
    ASSERT_EQ(back.PixelFormat(), TPixelFormat::pf24bit);
    EXPECT_TRUE(std::equal(std::begin(bgr), std::end(bgr), back.ScanLine(0)));
}

TEST_F(PngSave, BlankTextsGiveNoChunkAndOtherTextsKeepTheirBlanks) {
    TExtBitmap bitmap;
    MakeGreyPattern(bitmap, 3, 3);
    Save(bitmap, PathOf("texts.png"), "", "   ", " x ", "\t\r\n");
    const auto chunks = ParseChunks(ReadWholeFile(PathOf("texts.png")));
    std::vector<QByteArray> texts;
    for (const PngChunk& chunk : chunks)
        if (chunk.type == "tEXt") texts.push_back(chunk.data);
    EXPECT_EQ(texts, std::vector<QByteArray>{TextChunk("Software", " x ")});
}

TEST(PngSaveFailure, OversizedTextFailsWithItsReason) {
    TExtBitmap bitmap;
    MakeGreyPattern(bitmap, 3, 3);
    const auto failure = FailureSavingToMemory(bitmap, QString(9000, u'T'));
    ASSERT_TRUE(failure);
    EXPECT_EQ(failure->code, FailureCode::CannotWrite);
    EXPECT_EQ(failure->message, "Buffer override: needed 9000");
}

TEST(PngSaveFailure, EmptyOrUnsupportedBitmapsAreRefusedWithNothingWritten) {
    QByteArray written;
    TExtBitmap bitmap;
    for (const auto& [width, height] : {std::pair{0, 0}, std::pair{10, 0}, std::pair{0, 10}}) {
        MakeGreyPattern(bitmap, width, height);
        const auto failure = FailureSavingToMemory(bitmap, "t", nullptr, &written);
        ASSERT_TRUE(failure) << width << "x" << height;
        EXPECT_EQ(failure->message, "the image has no pixels");
    }
    TExtBitmap deep;
    deep.SetSize(4, 4); // 32 bits per pixel
    const auto failure = FailureSavingToMemory(deep, "t", nullptr, &written);
    ASSERT_TRUE(failure);
    EXPECT_EQ(failure->message, "Unsupported bitmap format");
    EXPECT_TRUE(written.isEmpty());
}

TEST(PngSaveFailure, RefusedWriteGivesTheSystemsReason) {
    TExtBitmap bitmap;
    MakeGreyPattern(bitmap, 64, 64);
    QFile full("/dev/full");
    ASSERT_TRUE(full.open(QIODevice::WriteOnly | QIODevice::Unbuffered));
    const Status saved = SaveBitmapAsPng(bitmap, full, "a", "d", "s", "t", nullptr);
    ASSERT_FALSE(saved);
    EXPECT_EQ(saved.failure().code, FailureCode::CannotWrite);
    EXPECT_EQ(saved.failure().message, QString::fromLocal8Bit(std::strerror(ENOSPC)));
}

TEST_F(PngSave, ProgressRunsFromStartToEndAndAFailingHandlerStopsTheSave) {
    TExtBitmap bitmap;
    MakeGreyPattern(bitmap, 64, 64);
    std::vector<std::pair<TProgressStage, int>> reports;
    Save(bitmap, PathOf("progress.png"), "a", "d", "s", "t",
         [&](TPngImage&, TProgressStage stage, std::uint8_t percent, bool, const QRect&, const QString&) {
             reports.emplace_back(stage, percent);
         });
    ASSERT_GE(reports.size(), 2u);
    EXPECT_EQ(reports.front(), std::make_pair(TProgressStage::psStarting, 0));
    EXPECT_EQ(reports.back(), std::make_pair(TProgressStage::psEnding, 100));

    // A new image reports its first row at once; the handler's exception must come out of the save as its
    // failure.
    const auto failOnRow = [](TPngImage&, TProgressStage stage, std::uint8_t, bool, const QRect&,
                              const QString&) {
        if (stage == TProgressStage::psRunning) throw std::runtime_error("cancelled");
    };
    const auto failure = FailureSavingToMemory(bitmap, "t", failOnRow);
    ASSERT_TRUE(failure);
    EXPECT_EQ(failure->message, "cancelled");
}

TEST_F(PngSave, GreyRowsSharedWithTheBitmapGiveTheBytesOfACopy) {
    TExtBitmap bitmap;
    MakeGreyPattern(bitmap, 301, 157);
    QByteArray streams[2];
    for (int shared = 0; shared < 2; ++shared) {
        TPngImage image;
        if (shared != 0)
            image.ShareRowsOf(bitmap);
        else
            image.AssignFromBitmap(bitmap);
        image.CompressionLevel = 4;
        QBuffer buffer(&streams[shared]);
        ASSERT_TRUE(buffer.open(QIODevice::WriteOnly));
        image.SaveToStream(buffer);
    }
    // Everything but the time of writing.
    const std::vector<PngChunk> copied = ParseChunks(streams[0]);
    const std::vector<PngChunk> shared = ParseChunks(streams[1]);
    ASSERT_EQ(ChunkTypes(copied), ChunkTypes(shared));
    for (std::size_t i = 0; i < copied.size(); ++i)
        if (copied[i].type != "tIME") {
            EXPECT_EQ(copied[i].data, shared[i].data) << copied[i].type;
        }
    // The shared rows were only read.
    EXPECT_EQ(bitmap.ScanLine(156)[300], (300 * 7 + 156 * 13) % 256);
}
