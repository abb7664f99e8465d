// The batch converter and the notification listener, run as the operator runs them.
#include "AbiBitmap.h"
#include "AbiSample.h"
#include "AnimationNotifier.h"
#include "BMPExtImage.h"
#include "ImageFiles.h"
#include "JPEG_IO.h"
#include "NetCdfEdits.h"
#include "PNG_IO.h"
#include "SmallTmpfs.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>
#include <cstring>
#include <gtest/gtest.h>
#include <unistd.h>

namespace {

struct ToolRun {
    int exitCode;
    QString output;
};

ToolRun RunTool(const QString& program, const QStringList& arguments,
                const QProcessEnvironment& environment = QProcessEnvironment::systemEnvironment()) {
    QProcess process;
    process.setProcessEnvironment(environment);
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(program, arguments);
    process.waitForFinished(60000);
    return {process.exitCode(), QString::fromUtf8(process.readAll())};
}

QByteArray Pixels(const TExtBitmap& bitmap) {
    QByteArray pixels;
    for (int y = 0; y < bitmap.Height(); ++y)
        pixels.append(reinterpret_cast<const char*>(bitmap.ScanLine(y)), bitmap.Width());
    return pixels;
}

// The environment with one switch of the reader's test build set, marking the files whose names hold
// `marker`.
QProcessEnvironment WithReaderSwitch(const QString& variable, const QString& marker) {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(variable, marker);
    return environment;
}

QString WriteBand(int band, int size, const QString& folder) {
    AbiSampleOptions sample;
    sample.band = band;
    sample.size = size;
    return WriteAbiSample(sample, folder);
}

} // namespace

TEST(AbiConvert, WritesTheProgramsImagesAndRefusesBadInput) {
    QTemporaryDir dir;
    AbiSampleOptions sample;
    sample.size = 300;
    const QString file = WriteAbiSample(sample, dir.path());
    const QString out = dir.filePath("out");

    const ToolRun run = RunTool(ABICONVERT, {"--out", out, file});
    ASSERT_EQ(run.exitCode, 0) << qPrintable(run.output);
    const QString base = out + "/" + QFileInfo(file).completeBaseName();
    EXPECT_TRUE(run.output.contains(base + ".png"));

    // The same pixels as the program's own conversion.
    TExtBitmap expected, png, jpeg;
    for (TExtBitmap* bitmap : {&expected, &png, &jpeg}) bitmap->SetPixelFormat(TPixelFormat::pf8bit);
    float longitude = 0;
    ASSERT_TRUE(ReadAbiImage(AbiReadRequest::ByName(file), expected, longitude));
    ASSERT_TRUE(LoadPngIntoBitmap(png, base + ".png", false, false));
    EXPECT_EQ(Pixels(png), Pixels(expected));
    ASSERT_TRUE(LoadJpegIntoBitmap(jpeg, base + ".jpg", false, 0));
    EXPECT_EQ(jpeg.Width(), 300);
    const QByteArray jpegBytes = [&] {
        QFile written(base + ".jpg");
        written.open(QIODevice::ReadOnly);
        return written.readAll();
    }();
    EXPECT_TRUE(jpegBytes.contains("https://www.nimbrel.example"));

    const ToolRun onlyJpeg = RunTool(ABICONVERT, {"--jpeg", "-q", "92", "--out", dir.filePath("jpeg"), file});
    EXPECT_EQ(onlyJpeg.exitCode, 0);
    EXPECT_EQ(QDir(dir.filePath("jpeg")).entryList(QDir::Files).size(), 1);

    QFile garbage(dir.filePath("OR_ABI-L1b-RadF-M6C13_G16_s20250212002045_e1_c1.nc"));
    garbage.open(QIODevice::WriteOnly);
    garbage.write(QByteArray(5000, 'x'));
    garbage.close();
    const ToolRun bad = RunTool(ABICONVERT, {"--out", out, garbage.fileName(), dir.filePath("missing.nc")});
    EXPECT_EQ(bad.exitCode, 1);
    EXPECT_TRUE(bad.output.contains(garbage.fileName() + ": not a netCDF file"));
    EXPECT_TRUE(bad.output.contains("missing.nc: no such file"));

    EXPECT_EQ(RunTool(ABICONVERT, {file}).exitCode, 2);
    EXPECT_EQ(RunTool(ABICONVERT, {"--quality", "0", "--out", out, file}).exitCode, 2);
}

TEST(AbiConvert, GeoTiffIsWrittenBesideTheImagesOnRequestAndFailsWithoutAGeolocation) {
    QTemporaryDir dir;
    const QString file = WriteBand(13, 200, dir.path());
    const QString out = dir.filePath("out");
    const QString base = out + "/" + QFileInfo(file).completeBaseName();
    const ToolRun run = RunTool(ABICONVERT, {"--png", "--geotiff", "--out", out, file});
    ASSERT_EQ(run.exitCode, 0) << qPrintable(run.output);
    EXPECT_EQ(run.output, base + ".png\n" + base + ".tif\n");
    QFile geoTiff(base + ".tif");
    ASSERT_TRUE(geoTiff.open(QIODevice::ReadOnly));
    const QByteArray header = geoTiff.read(4);
    EXPECT_TRUE(header == QByteArray("II*\0", 4) || header == QByteArray("II+\0", 4));

    ASSERT_TRUE(DeleteNetCdfAttribute(file, "goes_imager_projection", "sweep_angle_axis"));
    const ToolRun located =
        RunTool(ABICONVERT, {"--png", "--geotiff", "--out", dir.filePath("unlocated"), file});
    EXPECT_EQ(located.exitCode, 1);
    EXPECT_TRUE(located.output.contains(file + ": no geolocation for a GeoTIFF"))
        << qPrintable(located.output);
    EXPECT_EQ(QDir(dir.filePath("unlocated")).entryList(QDir::Files),
              QStringList({QFileInfo(base).fileName() + ".png"}));
}

TEST(AbiConvert, FileWithoutAnAbiNameGivesAnImageWithoutTitle) {
    QTemporaryDir dir;
    const QString file = dir.filePath("scene.nc");
    ASSERT_TRUE(QFile::rename(WriteBand(13, 100, dir.path()), file));
    const ToolRun run = RunTool(ABICONVERT, {"--png", "--out", dir.filePath("out"), file});
    ASSERT_EQ(run.exitCode, 0) << qPrintable(run.output);
    QFile png(dir.filePath("out/scene.png"));
    ASSERT_TRUE(png.open(QIODevice::ReadOnly));
    const QByteArray bytes = png.readAll();
    EXPECT_TRUE(bytes.contains(QByteArray("Software\0", 9)));
    EXPECT_FALSE(bytes.contains("Title"));
}

TEST(AbiConvert, ImageThatDoesNotFitOnTheDiskFailsWithTheSystemsReason) {
    if (geteuid() != 0) GTEST_SKIP() << "mounting a tmpfs needs root";
    QTemporaryDir dir;
    AbiSampleOptions sample;
    sample.size = 600;
    const QString file = WriteAbiSample(sample, dir.path());
    const QString name = QFileInfo(file).completeBaseName() + ".png";
    const QString measured = dir.filePath("measured");
    ASSERT_EQ(RunTool(ABICONVERT, {"--png", "--out", measured, file}).exitCode, 0);
    const qint64 size = QFileInfo(measured + "/" + name).size();

    const QString small = dir.filePath("small");
    const SmallTmpfs full(small, SmallTmpfs::PagesShortOf(size));
    ASSERT_TRUE(full.Mounted()) << full.Error();
    const ToolRun run = RunTool(ABICONVERT, {"--png", "--out", small, file});
    EXPECT_EQ(run.exitCode, 1);
    const QString reason =
        "cannot write " + small + "/" + name + ": " + QString::fromLocal8Bit(std::strerror(ENOSPC));
    EXPECT_TRUE(run.output.contains(reason)) << qPrintable(run.output);
    EXPECT_EQ(QDir(small).entryList(QDir::Files | QDir::Hidden), QStringList());
}

TEST(AbiConvert, FileThatCrashesTheReaderFailsWithItsSignalAndTheOthersAreConverted) {
    QTemporaryDir dir;
    const QStringList files = {WriteBand(5, 96, dir.path()), WriteBand(7, 96, dir.path()),
                               WriteBand(9, 96, dir.path())};
    const QString out = dir.filePath("out");
    const ToolRun run =
        RunTool(ABICONVERT, QStringList{"--png", "--reader", TEST_READER_PROGRAM, "--out", out} + files,
                WithReaderSwitch("STRATOLUX_TEST_READER_CRASH", "M6C07_"));
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(run.output.contains(files[1] + ": reader crashed (signal 11, Segmentation fault)"))
        << qPrintable(run.output);
    for (const QString& converted : {files[0], files[2]})
        EXPECT_TRUE(QFile::exists(out + "/" + QFileInfo(converted).completeBaseName() + ".png"))
            << qPrintable(converted);
}

TEST(AbiConvert, FileNeedingMoreMemoryThanTheReaderLeavesFailsWithOutOfMemory) {
#ifdef __SANITIZE_ADDRESS__
    GTEST_SKIP() << "a reader under AddressSanitizer runs without its address-space limit";
#endif
    QTemporaryDir dir;
    const QString file = WriteBand(13, 1000, dir.path());
    const ToolRun run =
        RunTool(ABICONVERT, {"--reader", TEST_READER_PROGRAM, "--out", dir.filePath("out"), file},
                WithReaderSwitch("STRATOLUX_TEST_READER_CRAMPED", "M6C13_"));
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(run.output.contains(file + ": out of memory (1000 × 1000 image)")) << qPrintable(run.output);
}

TEST(NotifyListen, PrintsEachNotification) {
    QTemporaryDir runtime;
    qputenv("XDG_RUNTIME_DIR", runtime.path().toUtf8());
    QProcess listener;
    listener.start(NOTIFYLISTEN, {"--count", "2"});
    ASSERT_TRUE(listener.waitForReadyRead(10000));
    EXPECT_TRUE(listener.readLine().startsWith("listening on " + AnimationSocketPath().toUtf8()));
    NotifyAnimationProgram(119, 36526.0 + 10.0 / 1440);
    NotifyAnimationProgram(125, 36526.0 + 1.0);
    ASSERT_TRUE(listener.waitForFinished(10000));
    EXPECT_EQ(listener.readAll(), "Feedkeepermessage 119 10\nFeedkeepermessage 125 1440\n");
    EXPECT_FALSE(QFile::exists(AnimationSocketPath()));
    qunsetenv("XDG_RUNTIME_DIR");
}
