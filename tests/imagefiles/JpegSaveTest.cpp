// SaveBitmapAsJpeg: what lands in the file (segments, components, quality, comment) and the reasons of its
// failures.
#include "JPEG_IO.h"
#include "JpegTestFiles.h"

#include <QBuffer>
#include <QFile>
#include <QTemporaryDir>
#include <cstring>
#include <gtest/gtest.h>

namespace {

const QString kComment = QStringLiteral("https://stratolux.example/ground-station");

class JpegSave : public testing::Test {
protected:
    QString PathOf(const QString& name) const { return folder_.filePath(name); }

    JpegSegments SaveAndRead(const TExtBitmap& bitmap, int quality, const QString& comment,
                             bool greyAsOneChannel) {
        const QString path = PathOf(QStringLiteral("image.jpg"));
        EXPECT_TRUE(SaveJpegFile(bitmap, path, quality, comment, greyAsOneChannel).ok());
        return ReadJpegSegments(ReadWholeFile(path));
    }

    QTemporaryDir folder_;
};

// Saves into memory and expects the failure `reason` with nothing written.
void ExpectRefused(const TExtBitmap& bitmap, const QString& reason) {
    QByteArray written;
    QBuffer sink(&written);
    sink.open(QIODevice::WriteOnly);
    const Status saved = SaveBitmapAsJpeg(bitmap, sink, 92, kComment, false);
    ASSERT_FALSE(saved);
    EXPECT_EQ(saved.failure().code, FailureCode::CannotWrite);
    EXPECT_EQ(saved.failure().message, reason);
    EXPECT_TRUE(written.isEmpty());
}

} // namespace

TEST_F(JpegSave, GreyBecomesThreeComponentYCbCrWithTheComment) {
    TExtBitmap bitmap;
    FillGrey(bitmap, 2000, 1000);
    const JpegSegments segments = SaveAndRead(bitmap, 92, kComment, false);

    EXPECT_TRUE(segments.startsWithSoi);
    EXPECT_TRUE(segments.endsWithEoi);
    ASSERT_EQ(segments.comments.size(), 1u);
    EXPECT_EQ(segments.comments.front(), kComment.toUtf8());
    EXPECT_EQ(segments.frameMarker, 0xC0);
    EXPECT_EQ(segments.width, 2000);
    EXPECT_EQ(segments.height, 1000);
    ASSERT_EQ(segments.components.size(), 3u);
    EXPECT_EQ(segments.components[0].id, 1);
    EXPECT_EQ(segments.components[1].id, 2);
    EXPECT_EQ(segments.components[2].id, 3);
    EXPECT_EQ(segments.components[0].horizontalSampling, 2);
    EXPECT_EQ(segments.components[0].verticalSampling, 2);
    for (int chroma : {1, 2}) {
        EXPECT_EQ(segments.components[chroma].horizontalSampling, 1);
        EXPECT_EQ(segments.components[chroma].verticalSampling, 1);
    }
}

TEST_F(JpegSave, GreyAsOneChannelWritesOneComponent) {
    TExtBitmap bitmap;
    FillGrey(bitmap, 301, 7);
    const JpegSegments segments = SaveAndRead(bitmap, 92, kComment, true);

    EXPECT_EQ(segments.frameMarker, 0xC0);
    ASSERT_EQ(segments.components.size(), 1u);
    EXPECT_EQ(segments.components[0].horizontalSampling, 1);
    EXPECT_EQ(segments.components[0].verticalSampling, 1);
    ASSERT_EQ(segments.comments.size(), 1u);
    EXPECT_TRUE(segments.endsWithEoi);
}

TEST_F(JpegSave, QualityShowsInTheQuantisationTables) {
    TExtBitmap bitmap;
    FillGrey(bitmap, 64, 64);
    const JpegSegments fine = SaveAndRead(bitmap, 99, kComment, false);
    const JpegSegments coarse = SaveAndRead(bitmap, 92, kComment, false);

    ASSERT_EQ(fine.quantTableSums.size(), 2u);
    ASSERT_EQ(coarse.quantTableSums.size(), 2u);
    for (std::size_t table = 0; table < 2; ++table)
        EXPECT_LT(fine.quantTableSums[table] * 3, coarse.quantTableSums[table]) << "table " << table;
}

TEST_F(JpegSave, CommentIsAlwaysWrittenAsUtf8AndCutToOneSegment) {
    TExtBitmap bitmap;
    FillGrey(bitmap, 16, 16);
    EXPECT_EQ(SaveAndRead(bitmap, 92, QString(), false).comments, std::vector<QByteArray>{QByteArray()});

    const QString accented = QStringLiteral("Station Zürich");
    EXPECT_EQ(SaveAndRead(bitmap, 92, accented, false).comments.front(), accented.toUtf8());

    // 65533 bytes fit; the two-byte character that would cross that limit is left out whole.
    const QString tooLong = QString(65532, QLatin1Char('a')) + QStringLiteral("ü");
    EXPECT_EQ(SaveAndRead(bitmap, 92, tooLong, false).comments.front(), QByteArray(65532, 'a'));
}

TEST(JpegSaveFailure, EmptyBitmapIsRefused) {
    TExtBitmap bitmap;
    bitmap.SetPixelFormat(TPixelFormat::pf8bit);
    ExpectRefused(bitmap, QStringLiteral("the image has no pixels"));
    bitmap.SetSize(10, 0);
    ExpectRefused(bitmap, QStringLiteral("the image has no pixels"));
}

TEST(JpegSaveFailure, SixteenAndThirtyTwoBitBitmapsAreRefused) {
    for (TPixelFormat format : {TPixelFormat::pf16bit, TPixelFormat::pf32bit}) {
        TExtBitmap bitmap;
        bitmap.SetPixelFormat(format);
        bitmap.SetSize(8, 8);
        ExpectRefused(bitmap,
                      QStringLiteral("Error writing JPEG to file (JPEG images are made from 8- or 24-bit "
                                     "bitmaps only)"));
    }
}

TEST(JpegSaveFailure, EncoderErrorGivesLibjpegsReason) {
    TExtBitmap tooWide; // wider than a JPEG can be: libjpeg fails once the output has started
    FillGrey(tooWide, 65501, 1);
    QBuffer sink;
    sink.open(QIODevice::WriteOnly);
    const Status saved = SaveBitmapAsJpeg(tooWide, sink, 92, kComment, false);
    ASSERT_FALSE(saved);
    EXPECT_EQ(saved.failure().message,
              "Error writing JPEG to file (Maximum supported image dimension is 65500 pixels)");
}

TEST(JpegSaveFailure, RefusedWriteGivesTheSystemsReason) {
    TExtBitmap bitmap;
    FillGrey(bitmap, 256, 256);
    QFile full("/dev/full");
    ASSERT_TRUE(full.open(QIODevice::WriteOnly | QIODevice::Unbuffered));
    const Status saved = SaveBitmapAsJpeg(bitmap, full, 92, kComment, false);
    ASSERT_FALSE(saved);
    EXPECT_EQ(saved.failure().code, FailureCode::CannotWrite);
    EXPECT_EQ(saved.failure().message,
              "Error writing JPEG to file (" + QString::fromLocal8Bit(std::strerror(ENOSPC)) + ")");
}
