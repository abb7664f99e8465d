// One received file end to end: every outcome, the names and folders of what is written, clearing,
// notification.
#include "FileProcessor.h"
#include "AnimationNotifier.h"
#include "BMPExtImage.h"
#include "JPEG_IO.h"
#include "PNG_IO.h"
#include "ProcessingFixture.h"

#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QThread>
#include <cstring>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

QString WriteBytes(const QString& path, qint64 size) {
    QFile file(path);
    file.open(QIODevice::WriteOnly);
    file.resize(size);
    return path;
}

QStringList VisibleFiles(const QString& folder) {
    QStringList found;
    QDir dir(folder);
    for (const QFileInfo& info : dir.entryInfoList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot)) {
        if (info.isDir())
            for (const QString& inner : VisibleFiles(info.filePath() + "/"))
                found << info.fileName() + "/" + inner;
        else
            found << info.fileName();
    }
    return found;
}

constexpr char kReceivedName[] =
    "OR_ABI-L1b-RadF-M6C13_G16_s20240021230205_e20240021239513_c20240021239572.nc";

} // namespace

class FileProcessorTest : public ProcessingFixture {
protected:
    FileProcessor processor;
    QList<std::pair<int, TDateTime>> notified;
    int clears = 0;

    void SetUp() override {
        ProcessingFixture::SetUp();
        processor.notify = [this](int channel, TDateTime time) { notified.append({channel, time}); };
        processor.onClearThumbnails = [this] { ++clears; };
    }
};

TEST_F(FileProcessorTest, ProcessedFileBecomesDatedShortNamedImagesAndLeaves) {
    const QString path = Receive(13, 16);
    options.saveAsPng = true;
    const FileOutcome outcome = processor.ProcessFile(path, options);

    EXPECT_TRUE(outcome.Processed());
    EXPECT_FALSE(QFile::exists(path));
    const QString png = images + "2024/01/02/202401021230-g16-b13.png";
    const QString jpeg = images + "2024/01/02/202401021230-g16-b13.jpg";
    EXPECT_EQ(outcome.imagePath, jpeg);
    EXPECT_EQ(VisibleFiles(images),
              QStringList({"2024/01/02/202401021230-g16-b13.jpg", "2024/01/02/202401021230-g16-b13.png"}));
    EXPECT_TRUE(VisibleFiles(netCdf).isEmpty() || VisibleFiles(netCdf) == QStringList());
    EXPECT_FLOAT_EQ(outcome.longitude, -75.2f);
    EXPECT_EQ(outcome.satellite, 1);
    EXPECT_EQ(outcome.bandIndex, 12);
    EXPECT_EQ(FormatDateTime("yyyy-mm-dd hh:nn", outcome.nominalTime), "2024-01-02 12:30");

    TExtBitmap image;
    image.SetPixelFormat(TPixelFormat::pf8bit);
    ASSERT_TRUE(LoadJpegIntoBitmap(image, jpeg, false, 0));
    EXPECT_EQ(image.Width(), 96);
    ASSERT_TRUE(LoadPngIntoBitmap(image, png, false, false));
    EXPECT_EQ(image.Height(), 96);
    // The file time is the nominal time, at the two-second resolution.
    EXPECT_EQ(QFileInfo(jpeg).lastModified().toUTC(), QDateTime(QDate(2024, 1, 2), QTime(12, 30), Qt::UTC));
    EXPECT_EQ(QFileInfo(png).lastModified().toUTC(), QDateTime(QDate(2024, 1, 2), QTime(12, 30), Qt::UTC));

    ASSERT_EQ(notified.size(), 1);
    EXPECT_EQ(notified[0].first, 119);
    EXPECT_EQ(notified[0].second, outcome.nominalTime);
}

TEST_F(FileProcessorTest, LongNamesLieBesideTheArchiveCopy) {
    const QString path = Receive(2, 19, QDateTime(QDate(2024, 1, 2), QTime(23, 58, 40), Qt::UTC));
    options.satelliteItem = 3;
    options.shortImageNames = false;
    options.saveAsNetCdf = true;
    options.saveAsJpeg = false;
    options.saveAsJpegLow = true;
    const FileOutcome outcome = processor.ProcessFile(path, options);

    ASSERT_TRUE(outcome.Processed());
    const QString name = QFileInfo(path).completeBaseName();
    // Dated by the start, although the nominal time lies in the next day.
    EXPECT_EQ(VisibleFiles(netCdf),
              QStringList({"2024/01/02/" + name + ".jpg", "2024/01/02/" + name + ".nc"}));
    EXPECT_TRUE(QDir(images + "2024/01/02").exists());
    EXPECT_EQ(FormatDateTime("yyyy-mm-dd hh:nn", outcome.nominalTime), "2024-01-03 00:00");
    ASSERT_EQ(notified.size(), 1);
    EXPECT_EQ(notified[0].first, 107 + 1);
}

TEST_F(FileProcessorTest, GoesNineteenSavedUnderEitherTag) {
    options.satelliteItem = 3;
    options.datesInFolders = false;
    options.save19As16 = true;
    EXPECT_EQ(processor.ProcessFile(Receive(13, 19), options).imagePath, images + "202401021230-g16-b13.jpg");
    options.save19As16 = false;
    EXPECT_EQ(processor.ProcessFile(Receive(13, 19), options).imagePath, images + "202401021230-g19-b13.jpg");
}

TEST_F(FileProcessorTest, FilesThatStayAndFilesThatGo) {
    // Too small: stays, fails.
    const QString small = WriteBytes(source + kReceivedName, 999);
    FileOutcome outcome = processor.ProcessFile(small, options);
    EXPECT_FALSE(outcome.success);
    EXPECT_EQ(outcome.skipReason, SkipReason::None);
    EXPECT_TRUE(QFile::exists(small));

    // At the upper limit it stays (failing before the copy, for no archive folder is set); one byte more:
    // deleted unread.
    WriteBytes(small, kLargestReceivedFile);
    ProcessingOptions noArchive = options;
    noArchive.netCdfPath.clear();
    outcome = processor.ProcessFile(small, noArchive);
    EXPECT_FALSE(outcome.success);
    EXPECT_EQ(outcome.skipReason, SkipReason::None);
    EXPECT_TRUE(QFile::exists(small));
    EXPECT_TRUE(VisibleFiles(netCdf).isEmpty());
    WriteBytes(small, kLargestReceivedFile + 1);
    outcome = processor.ProcessFile(small, options);
    EXPECT_EQ(outcome.skipReason, SkipReason::TooLarge);
    EXPECT_FALSE(QFile::exists(small));

    // Undecodable name and another satellite: stay.
    const QString odd = WriteBytes(source + "OR_ABI-L1b-RadF-M6C13_G20_s20240021230205.nc", 5000);
    EXPECT_FALSE(processor.ProcessFile(odd, options).success);
    EXPECT_TRUE(QFile::exists(odd));
    const QString other = Receive(13, 17);
    EXPECT_FALSE(processor.ProcessFile(other, options).success);
    EXPECT_TRUE(QFile::exists(other));

    // Band not ticked: deleted, reported as such.
    options.bandsSelected[12] = false;
    const QString unticked = Receive(13, 16);
    outcome = processor.ProcessFile(unticked, options);
    EXPECT_EQ(outcome.skipReason, SkipReason::BandNotSelected);
    EXPECT_FALSE(QFile::exists(unticked));
    EXPECT_TRUE(notified.isEmpty());
}

TEST_F(FileProcessorTest, UnreadableFileIsKeptForTheNextScan) {
    const QString path = Receive(13, 16);
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadWrite));
    file.resize(file.size() / 2);
    file.close();
    for (bool archive : {false, true}) {
        options.saveAsNetCdf = archive;
        const FileOutcome outcome = processor.ProcessFile(path, options);
        EXPECT_FALSE(outcome.success);
        EXPECT_TRUE(QFile::exists(path));
        EXPECT_TRUE(VisibleFiles(images).isEmpty() || !VisibleFiles(images).join("").contains(".jpg"));
        EXPECT_EQ(VisibleFiles(netCdf).size(), archive ? 1 : 0);
    }
}

TEST_F(FileProcessorTest, BusyFileWaitsThenStays) {
    const QString path = Receive(13, 16);
    QProcess holder;
    holder.start("sh", {"-c", "exec 3<\"$0\"; echo ready; sleep 30", path});
    ASSERT_TRUE(holder.waitForReadyRead(5000));
    options.waits.busyFile = std::chrono::milliseconds(50);
    EXPECT_FALSE(processor.ProcessFile(path, options).success);
    EXPECT_TRUE(QFile::exists(path));

    // A single named file is processed at once, held or not.
    options.singleFileMode = true;
    options.singleFilePath = path;
    EXPECT_TRUE(processor.ProcessFile(path, options).Processed());
    holder.kill();
    holder.waitForFinished();
}

TEST_F(FileProcessorTest, UnsetOrUncreatableFoldersFailTheFile) {
    const QString path = Receive(13, 16);
    options.savePath.clear();
    EXPECT_FALSE(processor.ProcessFile(path, options).success);
    options.savePath = images;
    WriteBytes(root.filePath("blocker"), 10);
    options.netCdfPath = root.filePath("blocker") + "/";
    EXPECT_FALSE(processor.ProcessFile(path, options).success);
    EXPECT_TRUE(QFile::exists(path));
    EXPECT_TRUE(VisibleFiles(images).isEmpty());
}

TEST_F(FileProcessorTest, ArchivedFileNamedOnTheCommandLineIsKept) {
    options.saveAsNetCdf = true;
    options.datesInFolders = false;
    options.singleFileMode = true;
    AbiSampleOptions sample;
    sample.size = 96;
    sample.start = DefaultStart();
    QDir().mkpath(netCdf);
    const QString archived = WriteAbiSample(sample, netCdf);
    options.singleFilePath = archived;
    EXPECT_TRUE(processor.ProcessFile(archived, options).Processed());
    EXPECT_TRUE(QFile::exists(archived));

    // A scan of a source folder that is also the archive folder would process the file at every scan.
    options.singleFileMode = false;
    EXPECT_FALSE(processor.ProcessFile(archived, options).success);
    EXPECT_TRUE(QFile::exists(archived));
}

TEST_F(FileProcessorTest, NoFormatSelectedMeansNoImageAndNoNotification) {
    const QString path = Receive(13, 16);
    options.saveAsJpeg = false;
    const FileOutcome outcome = processor.ProcessFile(path, options);
    EXPECT_TRUE(outcome.success);
    EXPECT_FALSE(outcome.Processed());
    EXPECT_FALSE(QFile::exists(path));
    EXPECT_TRUE(notified.isEmpty());
}

TEST_F(FileProcessorTest, NewerSlotsClearTheThumbnails) {
    options.clearImages = true;
    options.bandsSelected[1] = false;
    processor.ProcessFile(Receive(13, 16), options);
    EXPECT_EQ(clears, 1);
    processor.ProcessFile(Receive(14, 16), options);
    EXPECT_EQ(clears, 1);
    // A later slot clears again, even for a band that is then deleted unprocessed.
    processor.ProcessFile(Receive(2, 16, DefaultStart().addSecs(600)), options);
    EXPECT_EQ(clears, 2);
    EXPECT_EQ(FormatDateTime("hh:nn", processor.CycleTime()), "12:40");
}

TEST(AnimationNotifier, DatagramReachesAListeningSocket) {
    QTemporaryDir runtime;
    qputenv("XDG_RUNTIME_DIR", runtime.path().toUtf8());
    const QString path = AnimationSocketPath();
    EXPECT_EQ(path, runtime.path() + "/Nimbrel/TFormAnimationControl/Loopwell Control");
    EXPECT_EQ(AnimationDatagram(119, 36526.0 + 10.0 / 1440), "Feedkeepermessage 119 10");

    // No socket: nothing is sent, nothing fails.
    NotifyAnimationProgram(119, 40000);

    QDir().mkpath(QFileInfo(path).absolutePath());
    const int fd = ::socket(AF_UNIX, SOCK_DGRAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, path.toUtf8().constData(), sizeof(address.sun_path) - 1);
    ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof(address)), 0);
    NotifyAnimationProgram(125, 0); // no time: nothing sent
    NotifyAnimationProgram(125, 36526.0 + 1.0);
    char buffer[128] = {};
    const ssize_t n = ::recv(fd, buffer, sizeof(buffer) - 1, MSG_DONTWAIT);
    ::close(fd);
    EXPECT_EQ(QByteArray(buffer, n > 0 ? int(n) : 0), "Feedkeepermessage 125 1440");
    qunsetenv("XDG_RUNTIME_DIR");
}
