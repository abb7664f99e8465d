// Publishing files and images: a published file holds exactly what was written; a failed one leaves the older
// file of that name and no temporary file, and says why with the system's reason.
#include "BMPExtImage.h"
#include "DurableFiles.h"
#include "ImageFiles.h"
#include "JPEG_IO.h"
#include "TestFiles.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <cstring>
#include <gtest/gtest.h>
#include <optional>
#include <unistd.h>

namespace {

class Publishing : public testing::Test {
protected:
    QString PathOf(const QString& name) const { return dir.filePath(name); }
    QStringList Entries() const {
        return QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden, QDir::Name);
    }

    QTemporaryDir dir;
};

ContentWriter Writing(const QByteArray& bytes, std::optional<Failure> then = std::nullopt) {
    return [bytes, then](QIODevice& sink) -> Status {
        if (sink.write(bytes) != bytes.size()) return Failure{FailureCode::CannotWrite, sink.errorString()};
        if (then) return *then;
        return {};
    };
}

QString SystemText(int error) {
    return QString::fromLocal8Bit(std::strerror(error));
}

void FillGrey(TExtBitmap& bitmap, int width, int height) {
    bitmap.SetPixelFormat(TPixelFormat::pf8bit);
    bitmap.SetGreyPalette();
    bitmap.SetSize(width, height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) bitmap.ScanLine(y)[x] = static_cast<std::uint8_t>(x ^ y);
}

} // namespace

TEST_F(Publishing, PublishedFileHoldsTheBytesWrittenAndItsTime) {
    const QString path = PathOf("log.txt");
    const TDateTime time = EncodeDateTime({2024, 1, 2, 12, 30, 0, 0});
    ASSERT_TRUE(PublishFile(path, Writing("first line\r\n"), time).ok());
    EXPECT_EQ(ReadWholeFile(path), "first line\r\n");
    EXPECT_EQ(QFileInfo(path).lastModified().toUTC(), QDateTime(QDate(2024, 1, 2), QTime(12, 30), Qt::UTC));
    EXPECT_EQ(Entries(), QStringList{"log.txt"});
}

TEST_F(Publishing, WritersFailureNamesTheFileAndKeepsTheOlderOne) {
    const QString path = PathOf("image.png");
    ASSERT_TRUE(WriteWholeFile(path, "older image"));
    const Status published = PublishFile(
        path, Writing("part of a new image", Failure{FailureCode::CannotWrite, "encoder gave up"}));
    ASSERT_FALSE(published);
    EXPECT_EQ(published.failure().code, FailureCode::CannotWrite);
    EXPECT_EQ(published.failure().message, "cannot write " + path + ": encoder gave up");
    EXPECT_EQ(ReadWholeFile(path), "older image");
    EXPECT_EQ(Entries(), QStringList{"image.png"});
}

TEST_F(Publishing, FolderThatCannotHoldTheFileGivesTheSystemsReason) {
    TExtBitmap bitmap;
    FillGrey(bitmap, 16, 16);
    ASSERT_TRUE(WriteWholeFile(PathOf("plain"), "a file, not a folder"));
    const QString inFile = PathOf("plain/image.png");
    const Status intoFile = SavePngImage(bitmap, inFile, 0, 0);
    ASSERT_FALSE(intoFile);
    EXPECT_EQ(intoFile.failure().message, "cannot write " + inFile + ": " + SystemText(ENOTDIR));
    const QString inMissing = PathOf("missing/image.jpg");
    const Status intoMissing = SaveJpegImage(bitmap, inMissing, kJpegQuality, 0);
    ASSERT_FALSE(intoMissing);
    EXPECT_EQ(intoMissing.failure().message, "cannot write " + inMissing + ": " + SystemText(ENOENT));
    EXPECT_EQ(Entries(), QStringList{"plain"});
}

TEST_F(Publishing, ReadOnlyFolderKeepsItsImage) {
    if (geteuid() == 0) GTEST_SKIP() << "folder permissions do not bind root";
    TExtBitmap bitmap;
    FillGrey(bitmap, 16, 16);
    const QString path = PathOf("kept.jpg");
    ASSERT_TRUE(WriteWholeFile(path, "older image"));
    QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::ExeOwner);
    const Status saved = SaveJpegImage(bitmap, path, kJpegQuality, 0);
    QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    ASSERT_FALSE(saved);
    EXPECT_EQ(saved.failure().message, "cannot write " + path + ": " + SystemText(EACCES));
    EXPECT_EQ(ReadWholeFile(path), "older image");
}

TEST_F(Publishing, EmptyImageIsAFailedJpegSave) {
    TExtBitmap empty;
    empty.SetPixelFormat(TPixelFormat::pf8bit);
    const QString path = PathOf("empty.jpg");
    const Status saved = SaveJpegImage(empty, path, kJpegQuality, 0);
    ASSERT_FALSE(saved);
    EXPECT_EQ(saved.failure().message, "cannot write " + path + ": the image has no pixels");
    EXPECT_TRUE(Entries().isEmpty());
}

TEST_F(Publishing, FailedEncodingKeepsTheOlderImageUntilANewOneIsComplete) {
    const QString path = PathOf("kept.jpg");
    ASSERT_TRUE(WriteWholeFile(path, "older image"));
    TExtBitmap tooWide; // wider than a JPEG can be: libjpeg fails once the file has been started
    FillGrey(tooWide, 65501, 1);
    EXPECT_FALSE(SaveJpegImage(tooWide, path, kJpegQuality, 0));
    EXPECT_EQ(ReadWholeFile(path), "older image");
    EXPECT_EQ(Entries(), QStringList{"kept.jpg"});

    TExtBitmap bitmap;
    FillGrey(bitmap, 40, 30);
    ASSERT_TRUE(SaveJpegImage(bitmap, path, kJpegQuality, 0).ok());
    TExtBitmap back;
    ASSERT_TRUE(LoadJpegIntoBitmap(back, path, true, 0));
    EXPECT_EQ(back.Width(), 40);
    EXPECT_EQ(back.Height(), 30);
}

TEST_F(Publishing, CopyHoldsTheSourcesBytes) {
    QByteArray bytes(3 << 20, '\0'); // more than one chunk of the copy
    for (int i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<char>(i * 7 % 253);
    ASSERT_TRUE(WriteWholeFile(PathOf("received.nc"), bytes));
    ASSERT_TRUE(QDir(dir.path()).mkdir("archive"));
    ASSERT_TRUE(CopyFileDurably(PathOf("received.nc"), PathOf("archive/received.nc")).ok());
    EXPECT_EQ(ReadWholeFile(PathOf("archive/received.nc")), bytes);
    EXPECT_EQ(QDir(PathOf("archive")).entryList(QDir::Files | QDir::Hidden), QStringList{"received.nc"});
}

TEST_F(Publishing, CopyOfAMissingSourceSaysWhy) {
    const QString source = PathOf("gone.nc");
    const Status copied = CopyFileDurably(source, PathOf("copy.nc"));
    ASSERT_FALSE(copied);
    EXPECT_EQ(copied.failure().code, FailureCode::CannotCopy);
    EXPECT_EQ(copied.failure().message, "cannot copy " + source + ": " + SystemText(ENOENT));
    EXPECT_TRUE(Entries().isEmpty());
}
