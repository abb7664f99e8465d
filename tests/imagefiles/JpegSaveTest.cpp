// SaveBitmapAsJpeg: what lands in the file (segments, components, quality, comment) and how failures leave
// the disk.
#include "JPEG_IO.h"
#include "JpegTestFiles.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <unistd.h>

namespace {

const QString kComment = QStringLiteral("https://stratolux.example/ground-station");

class JpegSave : public testing::Test {
protected:
    QString PathOf(const QString& name) const { return folder_.filePath(name); }
    QStringList FilesInFolder() const { return QDir(folder_.path()).entryList(QDir::Files | QDir::Hidden); }

    JpegSegments SaveAndRead(const TExtBitmap& bitmap, int quality, const QString& comment,
                             bool greyAsOneChannel) {
        const QString path = PathOf(QStringLiteral("image.jpg"));
        EXPECT_TRUE(SaveBitmapAsJpeg(bitmap, path, quality, comment, greyAsOneChannel));
        return ReadJpegSegments(ReadWholeFile(path));
    }

    void ExpectWriteError(const TExtBitmap& bitmap, const QString& path) {
        try {
            SaveBitmapAsJpeg(bitmap, path, 92, kComment, false);
            ADD_FAILURE() << "no error for " << path.toStdString();
        } catch (const EWriteError& error) {
            EXPECT_STREQ(error.what(), "Error writing JPEG to file");
        }
    }

    QTemporaryDir folder_;
};

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

TEST_F(JpegSave, EmptyBitmapGivesFalseAndNoFile) {
    TExtBitmap bitmap;
    bitmap.SetPixelFormat(TPixelFormat::pf8bit);
    EXPECT_FALSE(SaveBitmapAsJpeg(bitmap, PathOf(QStringLiteral("none.jpg")), 92, kComment, false));
    bitmap.SetSize(10, 0);
    EXPECT_FALSE(SaveBitmapAsJpeg(bitmap, PathOf(QStringLiteral("none.jpg")), 92, kComment, false));
    EXPECT_TRUE(FilesInFolder().isEmpty());
}

TEST_F(JpegSave, SixteenAndThirtyTwoBitBitmapsAreWriteErrorsWithoutFile) {
    for (TPixelFormat format : {TPixelFormat::pf16bit, TPixelFormat::pf32bit}) {
        TExtBitmap bitmap;
        bitmap.SetPixelFormat(format);
        bitmap.SetSize(8, 8);
        ExpectWriteError(bitmap, PathOf(QStringLiteral("wrong.jpg")));
    }
    EXPECT_TRUE(FilesInFolder().isEmpty());
}

TEST_F(JpegSave, FolderThatCannotHoldTheFileIsAWriteError) {
    TExtBitmap bitmap;
    FillGrey(bitmap, 16, 16);
    ASSERT_TRUE(WriteWholeFile(PathOf(QStringLiteral("plain-file")), "x"));
    ExpectWriteError(bitmap, PathOf(QStringLiteral("plain-file/image.jpg")));
    ExpectWriteError(bitmap, PathOf(QStringLiteral("missing-folder/image.jpg")));
}

TEST_F(JpegSave, ReadOnlyFolderKeepsItsFile) {
    if (geteuid() == 0) GTEST_SKIP() << "folder permissions do not bind root";
    TExtBitmap bitmap;
    FillGrey(bitmap, 16, 16);
    const QString path = PathOf(QStringLiteral("kept.jpg"));
    ASSERT_TRUE(WriteWholeFile(path, "old contents"));
    QFile::setPermissions(folder_.path(), QFile::ReadOwner | QFile::ExeOwner);

    ExpectWriteError(bitmap, path);
    QFile::setPermissions(folder_.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    EXPECT_EQ(ReadWholeFile(path), "old contents");
}

TEST_F(JpegSave, FailedCompressionKeepsTheExistingFileAndLeavesNoTemporary) {
    const QString path = PathOf(QStringLiteral("kept.jpg"));
    ASSERT_TRUE(WriteWholeFile(path, "old contents"));
    TExtBitmap tooWide; // wider than a JPEG can be: libjpeg fails after the output was opened
    FillGrey(tooWide, 65501, 1);

    ExpectWriteError(tooWide, path);
    EXPECT_EQ(ReadWholeFile(path), "old contents");
    EXPECT_EQ(FilesInFolder(), QStringList{QStringLiteral("kept.jpg")});

    TExtBitmap bitmap;
    FillGrey(bitmap, 16, 16);
    EXPECT_TRUE(SaveBitmapAsJpeg(bitmap, path, 92, kComment, false));
    EXPECT_TRUE(ReadJpegSegments(ReadWholeFile(path)).endsWithEoi);
}
