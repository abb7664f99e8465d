// One received file end to end: every outcome, the names and folders of what is written, clearing,
// notification.
#include "FileProcessor.h"
#include "AnimationNotifier.h"
#include "BMPExtImage.h"
#include "HoldingProcess.h"
#include "JPEG_IO.h"
#include "NetCdfEdits.h"
#include "OutputNames.h"
#include "PNG_IO.h"
#include "ProcessingFixture.h"
#include "ScanReports.h"
#include "SourceFile.h"
#include "TestFiles.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QThread>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <grp.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <thread>
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

    FileOutcome Process(const QString& path) {
        return processor.ProcessFile(ReceivedFile::At(path), options);
    }

    // A band-13 file received under a name that ends in `ending` after its start time.
    QString ReceiveEndingIn(const QString& ending) {
        const QString received = Receive(13, 16);
        const QString path = source + QFileInfo(received).fileName().left(41) + ending;
        EXPECT_TRUE(QFile::rename(received, path));
        return path;
    }

    // The reason the file failed with; none when it did not fail.
    static std::optional<FailureCode> FailedWith(const FileOutcome& outcome) {
        if (!outcome.failure) return std::nullopt;
        return outcome.failure->code;
    }
};

TEST_F(FileProcessorTest, ProcessedFileBecomesDatedShortNamedImagesAndLeaves) {
    const QString path = Receive(13, 16);
    options.saveAsPng = true;
    const FileOutcome outcome = Process(path);

    EXPECT_TRUE(outcome.Processed());
    EXPECT_FALSE(QFile::exists(path));
    const QString png = images + "2024/01/02/202401021230-g16-b13.png";
    const QString jpeg = images + "2024/01/02/202401021230-g16-b13.jpg";
    EXPECT_EQ(outcome.imagePath, jpeg);
    EXPECT_EQ(VisibleFiles(images),
              QStringList({"2024/01/02/202401021230-g16-b13.jpg", "2024/01/02/202401021230-g16-b13.png"}));
    EXPECT_TRUE(VisibleFiles(netCdf).isEmpty() || VisibleFiles(netCdf) == QStringList());
    EXPECT_FLOAT_EQ(outcome.longitude, -75.2f);
    EXPECT_EQ(outcome.Satellite(), 1);
    EXPECT_EQ(outcome.BandIndex(), 12);
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

TEST_F(FileProcessorTest, GeoTiffLiesBesideTheImagesUnderTheirNameAndTime) {
    const QString path = Receive(13, 16);
    options.saveAsPng = true;
    options.saveAsGeoTiff = true;
    const FileOutcome outcome = Process(path);

    ASSERT_TRUE(outcome.Processed());
    EXPECT_FALSE(QFile::exists(path));
    EXPECT_EQ(outcome.imagePath, images + "2024/01/02/202401021230-g16-b13.jpg");
    EXPECT_EQ(VisibleFiles(images),
              QStringList({"2024/01/02/202401021230-g16-b13.jpg", "2024/01/02/202401021230-g16-b13.png",
                           "2024/01/02/202401021230-g16-b13.tif"}));
    const QFileInfo geoTiff(images + "2024/01/02/202401021230-g16-b13.tif");
    EXPECT_EQ(geoTiff.lastModified().toUTC(), QDateTime(QDate(2024, 1, 2), QTime(12, 30), Qt::UTC));
    EXPECT_GT(geoTiff.size(), 96 * 96 / 10);
}

TEST_F(FileProcessorTest, GeoTiffAloneWritesNothingAndSaysWhy) {
    const QString path = Receive(13, 16);
    options.saveAsJpeg = false;
    options.saveAsGeoTiff = true;
    const FileOutcome outcome = Process(path);
    ASSERT_EQ(FailedWith(outcome), FailureCode::NoFormatSelected);
    EXPECT_EQ(outcome.failure->message,
              "no image format selected (a GeoTIFF is saved only beside a PNG or JPEG)");
    EXPECT_TRUE(QFile::exists(path));
    EXPECT_TRUE(VisibleFiles(images).isEmpty());
}

TEST_F(FileProcessorTest, FileWithoutGeolocationFailsForItsGeoTiffWritingNothing) {
    const QString path = Receive(13, 16);
    ASSERT_TRUE(DeleteNetCdfAttribute(path, "goes_imager_projection", "perspective_point_height"));
    options.saveAsGeoTiff = true;
    const FileOutcome outcome = Process(path);
    EXPECT_EQ(FailedWith(outcome), FailureCode::GeolocationMissing);
    EXPECT_TRUE(QFile::exists(path));
    EXPECT_TRUE(VisibleFiles(images).isEmpty());
    EXPECT_TRUE(notified.isEmpty());

    // Its failure is remembered only while a GeoTIFF is asked for.
    options.saveAsGeoTiff = false;
    EXPECT_TRUE(Process(path).Processed());
}

TEST_F(FileProcessorTest, GeoTiffThatCannotBeWrittenFailsTheFileWhichStays) {
    const QString path = Receive(13, 16);
    options.saveAsGeoTiff = true;
    options.datesInFolders = false;
    // A folder where the GeoTIFF's temporary file must go.
    ASSERT_TRUE(QDir().mkpath(images + ".202401021230-g16-b13.tif.partial/inside"));
    const FileOutcome outcome = Process(path);
    ASSERT_EQ(FailedWith(outcome), FailureCode::CannotWrite);
    EXPECT_EQ(outcome.failure->message, "cannot write " + images + "202401021230-g16-b13.tif: " +
                                            QString::fromLocal8Bit(std::strerror(EISDIR)));
    EXPECT_TRUE(QFile::exists(path));
    EXPECT_FALSE(QFile::exists(images + "202401021230-g16-b13.tif"));
    EXPECT_TRUE(notified.isEmpty());
}

TEST_F(FileProcessorTest, GeoTiffNoLongerTickedIsNotLeftStale) {
    options.saveAsGeoTiff = true;
    options.datesInFolders = false;
    ASSERT_TRUE(Process(Receive(13, 16)).Processed());
    ASSERT_TRUE(QFile::exists(images + "202401021230-g16-b13.tif"));
    options.saveAsGeoTiff = false;
    ASSERT_TRUE(Process(Receive(13, 16)).Processed());
    EXPECT_EQ(VisibleFiles(images), QStringList({"202401021230-g16-b13.jpg"}));
}

TEST_F(FileProcessorTest, AStaleImageThatCannotBeRemovedIsSaidAndTheFileStillProcessed) {
    options.datesInFolders = false;
    // Something the program cannot remove where the PNG it no longer writes would lie.
    const QString stale = images + "202401021230-g16-b13.png";
    ASSERT_TRUE(QDir().mkpath(stale + "/kept"));
    const FileOutcome outcome = Process(Receive(13, 16));
    EXPECT_TRUE(outcome.Processed());
    ASSERT_EQ(outcome.notRemoved.size(), 1u);
    EXPECT_TRUE(outcome.notRemoved[0].message.startsWith("cannot remove " + stale + ": "))
        << qPrintable(outcome.notRemoved[0].message);
    EXPECT_EQ(NotRemovedLines(outcome),
              QStringList({QFileInfo(outcome.sourcePath).fileName() + ": " + outcome.notRemoved[0].message}));
}

TEST_F(FileProcessorTest, LongNamesLieBesideTheArchiveCopy) {
    const QString path = Receive(2, 19, QDateTime(QDate(2024, 1, 2), QTime(23, 58, 40), Qt::UTC));
    options.satelliteItem = 3;
    options.shortImageNames = false;
    options.saveAsNetCdf = true;
    options.saveAsJpeg = false;
    options.saveAsJpegLow = true;
    const FileOutcome outcome = Process(path);

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
    EXPECT_EQ(Process(Receive(13, 19)).imagePath, images + "202401021230-g16-b13.jpg");
    options.save19As16 = false;
    EXPECT_EQ(Process(Receive(13, 19)).imagePath, images + "202401021230-g19-b13.jpg");
}

TEST_F(FileProcessorTest, FileUnderTheSmallestSizeStaysAndFails) {
    const QString small = WriteBytes(source + kReceivedName, kSmallestReceivedFile - 1);
    const FileOutcome outcome = Process(small);
    EXPECT_EQ(FailedWith(outcome), FailureCode::TooSmall);
    EXPECT_EQ(outcome.skipReason, SkipReason::None);
    EXPECT_TRUE(QFile::exists(small));
}

TEST_F(FileProcessorTest, FileAtTheLargestSizeIsNotSkipped) {
    const QString large = WriteBytes(source + kReceivedName, kLargestReceivedFile);
    options.netCdfPath.clear(); // fails before the copy, so nothing large is written
    const FileOutcome outcome = Process(large);
    EXPECT_EQ(FailedWith(outcome), FailureCode::FolderNotSet);
    EXPECT_EQ(outcome.skipReason, SkipReason::None);
    EXPECT_TRUE(QFile::exists(large));
}

TEST_F(FileProcessorTest, FileOverTheLargestSizeStaysUnread) {
    const QString large = WriteBytes(source + kReceivedName, 1800000000);
    const FileOutcome outcome = Process(large);
    EXPECT_EQ(FailedWith(outcome), FailureCode::TooLarge);
    EXPECT_EQ(outcome.failure->message, "too large (1.8 GB; the limit is 1,000,000,000 bytes)");
    EXPECT_TRUE(QFile::exists(large));
    EXPECT_TRUE(VisibleFiles(netCdf).isEmpty());
}

TEST_F(FileProcessorTest, UndecodableNameStays) {
    const QString odd = WriteBytes(source + "OR_ABI-L1b-RadF-M6C13_G20_s20240021230205.nc", 5000);
    EXPECT_EQ(FailedWith(Process(odd)), FailureCode::NotAbiFileName);
    EXPECT_TRUE(QFile::exists(odd));
}

TEST_F(FileProcessorTest, NameHoldingMarkupAndABackslashIsProcessed) {
    // Its read copy is named after it, backslash and all.
    const QString path = ReceiveEndingIn("_e<script>alert(1)<\\script>_c.nc");
    const FileOutcome outcome = Process(path);
    EXPECT_TRUE(outcome.Processed()) << (outcome.failure ? outcome.failure->message.toStdString() : "");
    EXPECT_FALSE(QFile::exists(path));
    EXPECT_EQ(VisibleFiles(images), QStringList({"2024/01/02/202401021230-g16-b13.jpg"}));
}

TEST_F(FileProcessorTest, NameHoldingControlCharactersStaysAsNotAnAbiName) {
    const QString path = ReceiveEndingIn("\"\r\nSet-Cookie: pwned=1\r\nX-Evil: \"_e_c.nc");
    EXPECT_EQ(FailedWith(Process(path)), FailureCode::NotAbiFileName);
    EXPECT_TRUE(QFile::exists(path));
    EXPECT_TRUE(VisibleFiles(images).isEmpty());
}

TEST_F(FileProcessorTest, FileOfAnotherSatelliteStays) {
    const QString other = Receive(13, 17);
    const FileOutcome outcome = Process(other);
    EXPECT_EQ(FailedWith(outcome), FailureCode::OtherSatellite);
    EXPECT_TRUE(outcome.failure->message.contains("GOES-17"));
    EXPECT_TRUE(QFile::exists(other));
}

TEST_F(FileProcessorTest, FileOfAnUntickedBandIsDeletedUnread) {
    options.bandsSelected[12] = false;
    const QString unticked = Receive(13, 16);
    const FileOutcome outcome = Process(unticked);
    EXPECT_EQ(outcome.skipReason, SkipReason::BandNotSelected);
    EXPECT_FALSE(outcome.failure);
    EXPECT_FALSE(QFile::exists(unticked));
    EXPECT_TRUE(notified.isEmpty());
}

TEST_F(FileProcessorTest, FolderMatchingTheMaskIsNeverOpened) {
    const QString folder = source + kReceivedName;
    ASSERT_TRUE(QDir().mkpath(folder));
    EXPECT_EQ(FailedWith(Process(folder)), FailureCode::NotRegularFile);
    EXPECT_TRUE(QFileInfo(folder).isDir());
}

TEST_F(FileProcessorTest, VanishedFileIsReportedAsSuch) {
    const FileOutcome outcome = Process(source + kReceivedName);
    EXPECT_EQ(FailedWith(outcome), FailureCode::FileVanished);
    EXPECT_EQ(outcome.failure->message, "file vanished");
}

TEST_F(FileProcessorTest, UnreadableFileIsKeptForTheNextScan) {
    const QString path = Receive(13, 16);
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadWrite));
    file.resize(file.size() / 2);
    file.close();
    for (bool archive : {false, true}) {
        processor.ForgetFailures();
        options.saveAsNetCdf = archive;
        const FileOutcome outcome = Process(path);
        EXPECT_TRUE(outcome.failure);
        EXPECT_TRUE(QFile::exists(path));
        EXPECT_TRUE(VisibleFiles(images).isEmpty() || !VisibleFiles(images).join("").contains(".jpg"));
        EXPECT_EQ(VisibleFiles(netCdf), QStringList()) << "a cut file is no archive of a scan";
    }
}

TEST_F(FileProcessorTest, FileWrittenInPiecesIsStillBeingWrittenNeverDamaged) {
    const QString sample = Receive(13, 16);
    const QString path = source + "OR_ABI-L1b-RadF-M6C14_G16_s20240021230205_e1_c1.nc";
    options.waits.busyFile = std::chrono::milliseconds(50);
    options.waits.settling = kSettlingTime;
    QProcess writer;
    writer.start("sh", {"-c",
                        "for part in 0 1 2 3; do [ $part = 0 ] || sleep 1; dd if=\"$0\" of=\"$1\" bs=4k "
                        "skip=$((part*2)) seek=$((part*2)) count=2 conv=notrunc status=none; done",
                        sample, path});
    ASSERT_TRUE(writer.waitForStarted());
    while (!writer.waitForFinished(0)) {
        const FileOutcome outcome = Process(path);
        const std::optional<FailureCode> code = FailedWith(outcome);
        if (code == FailureCode::FileVanished) continue;
        EXPECT_EQ(code, FailureCode::StillBeingWritten)
            << (outcome.failure ? outcome.failure->message.toStdString() : "processed");
        EXPECT_TRUE(QDir(netCdf).entryList(QDir::Files | QDir::Hidden).isEmpty());
    }
    // A single named file is processed at once, however young.
    options.singleFileMode = true;
    options.singleFilePath = sample;
    EXPECT_TRUE(Process(sample).Processed());
}

TEST_F(FileProcessorTest, FileAnotherProcessHoldsOpenForWritingStaysUntilItIsClosed) {
    options.waits.settling = kSettlingTime;
    const QString path = Receive(13, 16);
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadWrite));
    ASSERT_TRUE(
        file.setFileTime(QDateTime::currentDateTimeUtc().addSecs(-300), QFileDevice::FileModificationTime));
    file.close();
    HoldingProcess writer(path, HoldingProcess::Mode::Writing);
    ASSERT_TRUE(writer.IsReady());

    const FileOutcome held = Process(path);
    ASSERT_TRUE(held.failure);
    EXPECT_EQ(held.failure->code, FailureCode::StillBeingWritten);
    EXPECT_EQ(held.failure->message, "still being written, retried at the next scan");
    EXPECT_TRUE(QFile::exists(path));
    EXPECT_TRUE(VisibleFiles(netCdf).isEmpty());
    EXPECT_TRUE(VisibleFiles(images).isEmpty());

    ASSERT_TRUE(writer.CloseFile());
    EXPECT_TRUE(Process(path).Processed());
    EXPECT_FALSE(QFile::exists(path));
}

TEST_F(FileProcessorTest, ReadOnlyFileIsProcessedAndDeleted) {
    const QString path = Receive(13, 16);
    ASSERT_TRUE(QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::ReadGroup |
                                                QFileDevice::ReadOther));
    EXPECT_TRUE(Process(path).Processed());
    EXPECT_FALSE(QFile::exists(path));
}

TEST_F(FileProcessorTest, FilesOfAnotherAccountAreProcessedWhenReadableAndRefusedWithTheReasonOtherwise) {
    if (::geteuid() != 0) GTEST_SKIP() << "only root can run the processing under another account";
    const QString readable = Receive(13, 16);
    const QString unreadable = Receive(14, 16);
    ASSERT_TRUE(QFile::setPermissions(unreadable, QFileDevice::ReadOwner | QFileDevice::WriteOwner));
    // The receiver's folders let the station's account delete and create files; the files stay root's.
    ASSERT_TRUE(QFile::setPermissions(root.path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                                       QFileDevice::ExeOwner | QFileDevice::ReadOther |
                                                       QFileDevice::ExeOther));
    for (const QString& folder : {source, netCdf, images}) {
        QDir().mkpath(folder);
        ASSERT_EQ(::chmod(QFile::encodeName(folder).constData(), 0777), 0);
    }
    QProcess station;
    station.setChildProcessModifier([] {
        constexpr uid_t kNobody = 65534;
        if (::setgroups(0, nullptr) != 0 || ::setgid(kNobody) != 0 || ::setuid(kNobody) != 0) ::_exit(126);
    });
    station.start(PROCESSING_CHILD, {source, netCdf, images});
    ASSERT_TRUE(station.waitForFinished(60000));
    if (station.exitCode() == 126 || station.exitCode() == 127)
        GTEST_SKIP() << "the build tree cannot be run by another account here";
    EXPECT_EQ(station.exitCode(), 0);
    EXPECT_FALSE(QFile::exists(readable));
    EXPECT_TRUE(QFile::exists(unreadable));
    EXPECT_EQ(QString::fromLocal8Bit(station.readAllStandardOutput()).trimmed(),
              QFileInfo(unreadable).fileName() + " failed: cannot read " + unreadable +
                  ": Permission denied");
}

TEST_F(FileProcessorTest, ImagesAndArchiveCopyGetNoWiderPermissionsThanTheSource) {
    options.saveAsNetCdf = true;
    options.saveAsPng = true;
    options.saveAsGeoTiff = true;
    options.datesInFolders = false;
    const QString path = Receive(13, 16);
    ASSERT_TRUE(QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner));
    ASSERT_TRUE(Process(path).Processed());
    const QStringList written = VisibleFiles(netCdf) + VisibleFiles(images);
    ASSERT_EQ(written.size(), 4);
    for (const QString& folder : {netCdf, images})
        for (const QString& name : VisibleFiles(folder))
            EXPECT_EQ(QFileInfo(folder + name).permissions() & 0x0777, 0x0600) << qPrintable(name);
}

TEST_F(FileProcessorTest, SymbolicLinkIsLeftAloneAndNothingOfItsTargetIsCopied) {
    options.saveAsNetCdf = true;
    AbiSampleOptions sample;
    sample.size = 96;
    const QString secret = WriteAbiSample(sample, root.path() + "/");
    ASSERT_TRUE(QFile::setPermissions(secret, QFileDevice::ReadOwner | QFileDevice::WriteOwner));
    const QString link = source + QFileInfo(secret).fileName();
    const QString dangling = source + "OR_ABI-L1b-RadF-M6C14_G16_s20240021230205_e1_c1.nc";
    ASSERT_TRUE(QFile::link(secret, link));
    ASSERT_TRUE(QFile::link(root.filePath("gone.nc"), dangling));
    for (const QString& path : {link, dangling}) {
        const FileOutcome outcome = Process(path);
        EXPECT_EQ(FailedWith(outcome), FailureCode::SymbolicLink);
        EXPECT_EQ(outcome.failure->message, "a symbolic link; not followed");
        EXPECT_TRUE(QFileInfo(path).isSymLink());
    }
    EXPECT_TRUE(VisibleFiles(netCdf).isEmpty());
    EXPECT_TRUE(VisibleFiles(images).isEmpty());
    EXPECT_TRUE(QFile::exists(secret));
}

TEST_F(FileProcessorTest, UnsetImageFolderFailsTheFile) {
    const QString path = Receive(13, 16);
    options.savePath.clear();
    EXPECT_EQ(FailedWith(Process(path)), FailureCode::FolderNotSet);
    EXPECT_TRUE(QFile::exists(path));
}

TEST_F(FileProcessorTest, UncreatableFolderFailsTheFileWithTheSystemsReason) {
    const QString path = Receive(13, 16);
    WriteBytes(root.filePath("blocker"), 10);
    options.netCdfPath = root.filePath("blocker") + "/";
    const FileOutcome outcome = Process(path);
    EXPECT_EQ(FailedWith(outcome), FailureCode::CannotCreateFolder);
    EXPECT_TRUE(outcome.failure->message.startsWith("cannot create folder " + options.netCdfPath));
    EXPECT_TRUE(outcome.failure->message.contains("Not a directory"))
        << outcome.failure->message.toStdString();
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
    EXPECT_TRUE(Process(archived).Processed());
    EXPECT_TRUE(QFile::exists(archived));
}

TEST_F(FileProcessorTest, SourceFolderThatIsTheArchiveFolderFailsTheFile) {
    options.saveAsNetCdf = true;
    options.datesInFolders = false;
    options.netCdfPath = source;
    const QString path = Receive(13, 16);
    const FileOutcome outcome = Process(path);
    EXPECT_EQ(FailedWith(outcome), FailureCode::SourceIsArchive);
    EXPECT_EQ(outcome.failure->message, "source folder is also the archive folder");
    EXPECT_TRUE(QFile::exists(path));
}

TEST_F(FileProcessorTest, NamedFileThatCannotBeArchivedIsConvertedAndKept) {
    options.saveAsNetCdf = true;
    options.datesInFolders = false;
    options.singleFileMode = true;
    const QString path = Receive(13, 16);
    options.singleFilePath = path;
    // A folder stands where the archive copy would go.
    ASSERT_TRUE(QDir().mkpath(netCdf + QFileInfo(path).fileName()));
    const FileOutcome outcome = Process(path);
    EXPECT_TRUE(outcome.Processed());
    EXPECT_TRUE(QFile::exists(path));
    const std::optional<QString> line = NotArchivedLine(outcome);
    ASSERT_TRUE(line);
    EXPECT_TRUE(line->startsWith(QFileInfo(path).fileName() + " not archived: cannot put " + netCdf))
        << qPrintable(*line);
}

TEST_F(FileProcessorTest, LongNamesNeedNoImageFolder) {
    options.shortImageNames = false;
    options.savePath.clear();
    options.datesInFolders = false;
    const QString path = Receive(13, 16);
    const FileOutcome outcome = Process(path);
    ASSERT_TRUE(outcome.Processed());
    EXPECT_EQ(VisibleFiles(netCdf), QStringList{QFileInfo(path).completeBaseName() + ".jpg"});
}

TEST_F(FileProcessorTest, FileThatCannotBeArchivedInAScanStays) {
    options.saveAsNetCdf = true;
    options.datesInFolders = false;
    const QString path = Receive(13, 16);
    ASSERT_TRUE(QDir().mkpath(netCdf + QFileInfo(path).fileName()));
    const FileOutcome outcome = Process(path);
    EXPECT_EQ(FailedWith(outcome), FailureCode::CannotCopy);
    EXPECT_TRUE(QFile::exists(path));
    EXPECT_TRUE(VisibleFiles(images).isEmpty());
}

TEST_F(FileProcessorTest, NoFormatSelectedWithoutArchiveKeepsTheSource) {
    const QString path = Receive(13, 16);
    options.saveAsJpeg = false;
    const FileOutcome outcome = Process(path);
    EXPECT_EQ(FailedWith(outcome), FailureCode::NoFormatSelected);
    EXPECT_TRUE(QFile::exists(path));
    EXPECT_TRUE(notified.isEmpty());
}

TEST_F(FileProcessorTest, NoFormatSelectedWithArchiveKeepsOnlyTheCopy) {
    const QString path = Receive(13, 16);
    options.saveAsJpeg = false;
    options.saveAsNetCdf = true;
    options.datesInFolders = false;
    const FileOutcome outcome = Process(path);
    EXPECT_EQ(FailedWith(outcome), FailureCode::NoFormatSelected);
    EXPECT_FALSE(QFile::exists(path));
    EXPECT_EQ(VisibleFiles(netCdf), QStringList({QFileInfo(path).fileName()}));
    EXPECT_TRUE(VisibleFiles(images).isEmpty());
    EXPECT_TRUE(notified.isEmpty());
}

TEST_F(FileProcessorTest, SourceInAFolderThatForbidsDeletingIsProcessedAndSaysWhyItStays) {
    const QString path = Receive(13, 16);
    // Root deletes files in read-only folders, but not in immutable ones.
    const bool root = ::geteuid() == 0;
    if (root && QProcess::execute("chattr", {"+i", source}) != 0) {
        GTEST_SKIP() << "no immutable folders here";
    }
    if (!root) {
        ASSERT_TRUE(QFile::setPermissions(source, QFileDevice::ReadOwner | QFileDevice::ExeOwner));
    }
    const FileOutcome outcome = Process(path);
    if (root)
        QProcess::execute("chattr", {"-i", source});
    else
        QFile::setPermissions(source,
                              QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    EXPECT_TRUE(outcome.Processed());
    ASSERT_TRUE(outcome.sourceNotDeleted);
    EXPECT_EQ(outcome.sourceNotDeleted->message,
              "cannot delete " + path + (root ? ": Operation not permitted" : ": Permission denied"));
    EXPECT_TRUE(QFile::exists(path));
}

TEST_F(FileProcessorTest, FileReplacedWhileItSettlesStaysForTheNextScan) {
    options.saveAsNetCdf = true;
    options.datesInFolders = false;
    options.waits.beforeRead = std::chrono::milliseconds(3000);
    const QString path = Receive(13, 16);
    const QString copy = netCdf + QFileInfo(path).fileName();
    const QString readCopy = netCdf + ReadCopyName(QFileInfo(path).fileName());
    const QString other = WriteBytes(root.filePath("other.nc"), 5000);
    // Once the copy that is read exists, another file is moved onto the received file's name.
    std::atomic_bool replaced = false;
    std::thread receiver([&] {
        for (int i = 0; i < 3000 && !QFile::exists(readCopy); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        replaced =
            std::rename(QFile::encodeName(other).constData(), QFile::encodeName(path).constData()) == 0;
    });
    const FileOutcome outcome = Process(path);
    receiver.join();
    ASSERT_TRUE(replaced);
    EXPECT_EQ(FailedWith(outcome), FailureCode::StillBeingWritten);
    EXPECT_EQ(QFileInfo(path).size(), 5000);
    // The copy of the file that went is no archive of what is there now.
    EXPECT_FALSE(QFile::exists(copy));
    EXPECT_FALSE(QFile::exists(readCopy));
    EXPECT_TRUE(VisibleFiles(images).isEmpty());
}

TEST_F(FileProcessorTest, FileThatFailsForWhatItHoldsLeavesNoArchiveCopyAndStays) {
    options.saveAsNetCdf = true;
    options.datesInFolders = false;
    const QString good = Receive(13, 16);
    const QByteArray whole = ReadWholeFile(good);
    ASSERT_TRUE(QFile::remove(good));
    const QString name = QFileInfo(good).fileName();
    QByteArray noise(300000, '\0');
    for (qsizetype i = 0; i < noise.size(); ++i) noise[i] = static_cast<char>((i * 7919) % 251);
    // What the receiver left under the band's name, and whether a good copy was archived before.
    struct Case {
        const char* what;
        QByteArray bytes;
        bool archivedBefore;
    };
    for (const Case& c :
         {Case{"random bytes", noise, false}, Case{"a file cut short", whole.left(whole.size() / 2), false},
          Case{"a damaged delivery of an archived file", whole.left(whole.size() / 2), true}}) {
        QDir(netCdf).removeRecursively();
        if (c.archivedBefore) {
            ASSERT_TRUE(QDir().mkpath(netCdf));
            ASSERT_TRUE(WriteWholeFile(netCdf + name, whole));
        }
        ASSERT_TRUE(WriteWholeFile(source + name, c.bytes));
        const FileOutcome outcome = Process(source + name);
        ASSERT_TRUE(outcome.failure) << c.what;
        EXPECT_TRUE(RememberedFailures::LiesInTheFile(outcome.failure->code))
            << c.what << ": " << qPrintable(outcome.failure->message);
        EXPECT_EQ(ReadWholeFile(source + name), c.bytes) << c.what << " stays as it was received";
        EXPECT_EQ(QDir(netCdf).entryList(QDir::Files | QDir::Hidden),
                  c.archivedBefore ? QStringList{name} : QStringList())
            << c.what;
        if (c.archivedBefore) {
            EXPECT_EQ(ReadWholeFile(netCdf + name), whole) << "the earlier copy is kept";
        }
        processor.ForgetFailures();
    }

    // The whole file, received again under the name, is archived once read.
    ASSERT_TRUE(WriteWholeFile(source + name, whole));
    EXPECT_TRUE(Process(source + name).Processed());
    EXPECT_EQ(QDir(netCdf).entryList(QDir::Files | QDir::Hidden), QStringList{name});
    EXPECT_EQ(ReadWholeFile(netCdf + name), whole);
    EXPECT_FALSE(QFile::exists(source + name));
}

TEST(SourceFile, RewriteInPlaceThatRestoresTheTimeIsNotDeleted) {
    QTemporaryDir dir;
    const QString path = dir.filePath("received.nc");
    const QString same = dir.filePath("same-size.nc");
    WriteBytes(path, 5000);
    WriteBytes(same, 5000);
    const Result<FileIdentity> copied = IdentifyFile(path);
    ASSERT_TRUE(copied.ok());
    // Same inode, same size, the modification time kept: only the change time tells.
    ASSERT_EQ(QProcess::execute("cp", {"-p", same, path}), 0);
    const Status deleted = DeleteIfUnchanged(path, *copied);
    ASSERT_FALSE(deleted.ok());
    EXPECT_EQ(deleted.failure().code, FailureCode::CannotDelete);
    EXPECT_TRUE(QFile::exists(path));
}

TEST_F(FileProcessorTest, NewerSlotsClearTheThumbnails) {
    options.clearImages = true;
    options.bandsSelected[1] = false;
    Process(Receive(13, 16));
    EXPECT_EQ(clears, 1);
    Process(Receive(14, 16));
    EXPECT_EQ(clears, 1);
    // A later slot clears again, even for a band that is then deleted unprocessed.
    Process(Receive(2, 16, DefaultStart().addSecs(600)));
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
