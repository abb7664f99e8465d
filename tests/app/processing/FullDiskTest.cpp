// A full disk: the saves, the archive copy and the processing of a received file run in a child process whose
// files are limited in size (writes past the limit fail with EFBIG, as on a full disk), and the processing
// runs on a real small tmpfs when the tests run as root. After every case the received file is still there
// or every selected output decodes whole, no temporary file is left, and an older file of the name stays
// when the new one fails.
#include "BMPExtImage.h"
#include "FileProcessor.h"
#include "JPEG_IO.h"
#include "OutputNames.h"
#include "PNG_IO.h"
#include "ProcessingFixture.h"
#include "ReceivedFile.h"
#include "SmallTmpfs.h"
#include "TestFiles.h"

#include <gdal.h>

#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QSize>
#include <cerrno>
#include <cstring>
#include <optional>
#include <unistd.h>
#include <vector>

namespace {

constexpr int kWidth = 400;
constexpr int kHeight = 300;

struct ChildRun {
    int exitCode = -1; // -1 when the child crashed or hung
    QString output;
};

ChildRun RunLimited(qint64 limit, const QStringList& args) {
    QProcess child;
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    child.start(LIMITED_SAVE_CHILD, QStringList{limit < 0 ? "none" : QString::number(limit)} + args);
    if (!child.waitForFinished(60000) || child.exitStatus() != QProcess::NormalExit) return {};
    return {child.exitCode(), QString::fromLocal8Bit(child.readAllStandardOutput()).trimmed()};
}

constexpr qint64 kNoLimit = -1;

QStringList FilesBelow(const QString& folder) {
    QStringList found;
    QDirIterator it(folder, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) found << it.next();
    return found;
}

QStringList TemporaryFilesBelow(const QString& folder) {
    return FilesBelow(folder).filter(QRegularExpression("/\\.[^/]*\\.partial$"));
}

// The GeoTIFF's size when GDAL reads every pixel of it.
std::optional<QSize> WholeGeoTiffSize(const QString& path) {
    GDALAllRegister();
    GDALDatasetH dataset = GDALOpen(path.toUtf8().constData(), GA_ReadOnly);
    if (!dataset) return std::nullopt;
    const QSize size(GDALGetRasterXSize(dataset), GDALGetRasterYSize(dataset));
    std::vector<std::uint8_t> pixels(static_cast<std::size_t>(size.width() * size.height()));
    const bool read =
        GDALDatasetRasterIO(dataset, GF_Read, 0, 0, size.width(), size.height(), pixels.data(), size.width(),
                            size.height(), GDT_Byte, 1, nullptr, 0, 0, 0) == CE_None;
    GDALClose(dataset);
    return read ? std::optional(size) : std::nullopt;
}

// The image's size when it decodes whole.
std::optional<QSize> WholeImageSize(const QString& path) {
    if (path.endsWith(".tif")) return WholeGeoTiffSize(path);
    TExtBitmap bitmap;
    bitmap.SetPixelFormat(TPixelFormat::pf8bit);
    const bool loaded = path.endsWith(".png") ? LoadPngIntoBitmap(bitmap, path, false, false)
                                              : LoadJpegIntoBitmap(bitmap, path, false, 0);
    if (!loaded) return std::nullopt;
    return QSize(bitmap.Width(), bitmap.Height());
}

QString FileTooLarge() {
    return QString::fromLocal8Bit(std::strerror(EFBIG));
}

// One save (a PNG, JPEG or GeoTIFF image, or the archive copy) under limits around its size, over an older
// file.
class LimitedSave : public testing::TestWithParam<const char*> {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        kind = GetParam();
        if (IsCopy()) {
            QByteArray bytes(200000, '\0');
            for (int i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<char>(i * 31 % 251);
            source = dir.filePath("received.nc");
            ASSERT_TRUE(WriteWholeFile(source, bytes));
        }
        const QString extension = IsCopy() ? "nc" : kind == "png" ? "png" : kind == "geotiff" ? "tif" : "jpg";
        const QString measured = dir.filePath("measured." + extension);
        ASSERT_EQ(Run(kNoLimit, measured).exitCode, 0);
        size = QFileInfo(measured).size();
        ASSERT_GT(size, 2 * SmallTmpfs::kPageBytes);
        ASSERT_TRUE(QFile::remove(measured));

        target = dir.filePath("published." + extension);
        if (IsCopy())
            ASSERT_TRUE(WriteWholeFile(target, "older copy"));
        else
            ASSERT_EQ(Run(kNoLimit, target, QSize(60, 40)).exitCode, 0);
    }

    bool IsCopy() const { return kind == "copy"; }

    // The system's reason as the failure says it: the JPEG writer puts its own text first.
    QString WordedBySaver(const QString& reason) const {
        return kind == "jpeg" ? "Error writing JPEG to file (" + reason + ")" : reason;
    }

    ChildRun Run(qint64 limit, const QString& to, QSize imageSize = QSize(kWidth, kHeight)) const {
        if (IsCopy()) return RunLimited(limit, {"copy", source, to});
        return RunLimited(
            limit, {kind, to, QString::number(imageSize.width()), QString::number(imageSize.height())});
    }

    void ExpectFailureKeepingTheOlderFile(qint64 limit) const {
        const ChildRun run = Run(limit, target);
        EXPECT_EQ(run.exitCode, 1);
        EXPECT_EQ(run.output, "cannot write " + target + ": " + WordedBySaver(FileTooLarge()));
        if (IsCopy())
            EXPECT_EQ(ReadWholeFile(target), "older copy");
        else
            EXPECT_EQ(WholeImageSize(target), QSize(60, 40));
        EXPECT_EQ(TemporaryFilesBelow(dir.path()), QStringList());
    }

    QTemporaryDir dir;
    QString kind, source, target;
    qint64 size = 0;
};

} // namespace

TEST_P(LimitedSave, FailingInsideTheFileKeepsTheOlderFile) {
    ExpectFailureKeepingTheOlderFile(size / 2);
}

TEST_P(LimitedSave, OneByteShortOfItsSizeFails) {
    ExpectFailureKeepingTheOlderFile(size - 1);
}

TEST_P(LimitedSave, ExactlyItsSizeIsPublishedWhole) {
    const ChildRun run = Run(size, target);
    EXPECT_EQ(run.exitCode, 0) << run.output.toStdString();
    EXPECT_EQ(QFileInfo(target).size(), size);
    if (IsCopy())
        EXPECT_EQ(ReadWholeFile(target), ReadWholeFile(source));
    else
        EXPECT_EQ(WholeImageSize(target), QSize(kWidth, kHeight));
    EXPECT_EQ(TemporaryFilesBelow(dir.path()), QStringList());
}

INSTANTIATE_TEST_SUITE_P(Outputs, LimitedSave, testing::Values("png", "jpeg", "geotiff", "copy"));

namespace {

// A received file processed to PNG, JPEG and its archive copy, the largest of the three, in a child whose
// files are limited.
class LimitedProcessing : public ProcessingFixture {
protected:
    void SetUp() override {
        ProcessingFixture::SetUp();
        received = Receive();
        pristine = ReadWholeFile(received);
        largest = pristine.size();
    }

    ChildRun Process(qint64 limit) const {
        return RunLimited(limit, {"process", received, netCdf, images, "png+jpeg", "1"});
    }

    void ExpectTheReceivedFileKept(const ChildRun& run) const {
        EXPECT_EQ(run.exitCode, 1);
        EXPECT_TRUE(run.output.startsWith("cannot write " + netCdf)) << run.output.toStdString();
        // The copy that is read, which becomes the archive copy once read whole.
        EXPECT_TRUE(run.output.endsWith(".nc.reading: " + FileTooLarge())) << run.output.toStdString();
        EXPECT_EQ(ReadWholeFile(received), pristine);
        EXPECT_EQ(FilesBelow(netCdf), QStringList());
        EXPECT_EQ(FilesBelow(images), QStringList());
        EXPECT_EQ(TemporaryFilesBelow(root.path()), QStringList());
    }

    QString received;
    QByteArray pristine;
    qint64 largest = 0;
};

} // namespace

TEST_F(LimitedProcessing, ArchiveCopyCutShortKeepsTheReceivedFile) {
    ExpectTheReceivedFileKept(Process(largest / 2));
}

TEST_F(LimitedProcessing, LimitOneByteShortOfTheArchiveCopyKeepsTheReceivedFile) {
    ExpectTheReceivedFileKept(Process(largest - 1));
}

TEST_F(LimitedProcessing, LimitOfTheLargestFileGivesWholeOutputs) {
    EXPECT_EQ(Process(largest).exitCode, 0);
    EXPECT_FALSE(QFileInfo::exists(received));
    const QStringList archived = FilesBelow(netCdf);
    ASSERT_EQ(archived.size(), 1);
    EXPECT_EQ(ReadWholeFile(archived.front()), pristine);
    const QStringList outputs = FilesBelow(images);
    ASSERT_EQ(outputs.size(), 2);
    for (const QString& image : outputs)
        EXPECT_EQ(WholeImageSize(image), QSize(96, 96)) << image.toStdString();
}

namespace {

// A received file processed in this process, with one of its outputs on a tmpfs just too small, or just large
// enough, for it.
class FullTmpfs : public ProcessingFixture {
protected:
    void SetUp() override {
        ProcessingFixture::SetUp();
        if (geteuid() != 0) GTEST_SKIP() << "mounting a tmpfs needs root";
        AbiSampleOptions sample;
        sample.size = 620;
        sample.start = DefaultStart();
        received = WriteAbiSample(sample, source);
        pristine = ReadWholeFile(received);
        small = root.filePath("small") + "/";
    }

    // Processes the received file into the folders set, and a copy of it beforehand with every folder on the
    // disk, to learn the size of the output `extension` ("nc", "png" or "jpg") and its name below its folder.
    std::pair<qint64, QString> OutputSize(const QString& extension) {
        ProcessingOptions onDisk = options;
        onDisk.netCdfPath = root.filePath("measured-archive") + "/";
        onDisk.savePath = root.filePath("measured-images") + "/";
        const QString copy = root.filePath("measured-received/") + QFileInfo(received).fileName();
        QDir().mkpath(QFileInfo(copy).path());
        EXPECT_TRUE(QFile::copy(received, copy));
        EXPECT_TRUE(FileProcessor().ProcessFile(ReceivedFile::At(copy), onDisk).Processed());
        const QString folder = extension == "nc" ? onDisk.netCdfPath : onDisk.savePath;
        const QStringList found = FilesBelow(folder).filter("." + extension);
        if (found.size() != 1) return {0, {}};
        return {QFileInfo(found.front()).size(), found.front().mid(folder.size())};
    }

    FileOutcome Process() {
        FileProcessor processor;
        processor.notify = nullptr;
        return processor.ProcessFile(ReceivedFile::At(received), options);
    }

    // Puts the folder that `folder` names on a tmpfs one page short of the output `extension`, and processes.
    void ExpectTheReceivedFileKeptWhenTooSmallFor(const QString& extension,
                                                  QString ProcessingOptions::*folder) {
        const auto [size, name] = OutputSize(extension);
        ASSERT_GT(size, 0);
        options.*folder = small;
        const SmallTmpfs full(small, SmallTmpfs::PagesShortOf(size));
        ASSERT_TRUE(full.Mounted()) << full.Error();
        const FileOutcome outcome = Process();
        EXPECT_FALSE(outcome.Processed());
        ASSERT_TRUE(outcome.failure);
        EXPECT_EQ(outcome.failure->code,
                  extension == "nc" ? FailureCode::CannotCopy : FailureCode::CannotWrite);
        // An archive copy is written as the copy that is read, and takes its name once read whole.
        const QString fileName = QFileInfo(name).fileName();
        const QString written =
            extension == "nc" ? name.chopped(fileName.size()) + ReadCopyName(fileName) : name;
        const QString reason = QString::fromLocal8Bit(std::strerror(ENOSPC));
        EXPECT_EQ(outcome.failure->message,
                  "cannot write " + small + written + ": " +
                      (extension == "jpg" ? "Error writing JPEG to file (" + reason + ")" : reason));
        EXPECT_EQ(ReadWholeFile(received), pristine);
        EXPECT_EQ(FilesBelow(small), QStringList());
    }

    QString received, small;
    QByteArray pristine;
};

} // namespace

TEST_F(FullTmpfs, PngThatDoesNotFitKeepsTheReceivedFile) {
    options.saveAsPng = true;
    options.saveAsJpeg = false;
    ExpectTheReceivedFileKeptWhenTooSmallFor("png", &ProcessingOptions::savePath);
}

TEST_F(FullTmpfs, JpegThatDoesNotFitKeepsTheReceivedFile) {
    options.saveAsJpeg = true;
    ExpectTheReceivedFileKeptWhenTooSmallFor("jpg", &ProcessingOptions::savePath);
}

TEST_F(FullTmpfs, ArchiveCopyThatDoesNotFitKeepsTheReceivedFile) {
    options.saveAsPng = true;
    options.saveAsNetCdf = true;
    ExpectTheReceivedFileKeptWhenTooSmallFor("nc", &ProcessingOptions::netCdfPath);
    EXPECT_EQ(FilesBelow(images), QStringList());
}

TEST_F(FullTmpfs, PngThatJustFitsIsPublishedWhole) {
    options.saveAsPng = true;
    options.saveAsJpeg = false;
    const auto [size, name] = OutputSize("png");
    ASSERT_GT(size, 0);
    options.savePath = small;
    const SmallTmpfs fitting(small, SmallTmpfs::PagesHolding(size));
    ASSERT_TRUE(fitting.Mounted()) << fitting.Error();
    EXPECT_TRUE(Process().Processed());
    EXPECT_FALSE(QFileInfo::exists(received));
    EXPECT_EQ(FilesBelow(small), QStringList{small + name});
    EXPECT_EQ(QFileInfo(small + name).size(), size);
    EXPECT_EQ(WholeImageSize(small + name), QSize(620, 620));
}
