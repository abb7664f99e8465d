// The scan: which files it lists and in what order, how outcomes are worded, and Start/Stop around a scan.
#include "ProcessingFixture.h"
#include "ScanController.h"
#include "ScanList.h"
#include "ScanReports.h"
#include "ScanWorker.h"

#include <QFile>
#include <QFileInfo>
#include <QSignalSpy>
#include <QTest>
#include <cstdio>
#include <sys/stat.h>

namespace {

QStringList Bands(const std::vector<ReceivedFile>& files) {
    QStringList bands;
    for (const ReceivedFile& file : files) bands << QFileInfo(file.path).fileName().mid(19, 2);
    return bands;
}

} // namespace

using ScanListTest = ProcessingFixture;

TEST_F(ScanListTest, ListsTheSatelliteInScanThenBandOrder) {
    const QDateTime early(QDate(2024, 1, 2), QTime(12, 20, 20), Qt::UTC);
    Receive(13);
    Receive(2);
    Receive(16, 16, early);
    Receive(13, 18);
    QFile(source + "or_abi-l1b-radf-m6c05_g16_s20240021240205_e1_c1.NC").open(QIODevice::WriteOnly);
    QFile(source + "OR_ABI-L1b-RadC-M6C05_G16_s20240021240205_e1_c1.nc").open(QIODevice::WriteOnly);

    // Scan start first, then band; other satellites, other scenes and other names are not listed.
    EXPECT_EQ(Bands(BuildScanList(options)), QStringList({"16", "02", "13", "05"}));
    options.satelliteName = "GOES-18";
    EXPECT_EQ(BuildScanList(options).size(), 1);

    options.singleFileMode = true;
    options.singleFilePath = "/somewhere/else.nc";
    const std::vector<ReceivedFile> named = BuildScanList(options);
    ASSERT_EQ(named.size(), 1);
    EXPECT_EQ(named[0].path, "/somewhere/else.nc");
    EXPECT_FALSE(named[0].name);

    ProcessingOptions unset;
    EXPECT_TRUE(BuildScanList(unset).empty());
    EXPECT_EQ(ScanMask("/in/", "GOES-17"), "/in/OR_ABI-L1b-RadF-M?C??_G17_s*.nc");
}

TEST(ScanReports, TextsOfAProcessedFile) {
    FileOutcome outcome;
    outcome.sourcePath = "/in/OR_ABI-L1b-RadF-M6C13_G16_s20240021230205_e1_c1.nc";
    outcome.name = DecodeAbiFileName(outcome.sourcePath);
    outcome.longitude = -75.2f;
    outcome.nominalTime = EncodeDateTime({2024, 1, 2, 12, 30});
    outcome.imagePath = "/out/x.jpg";
    ASSERT_TRUE(outcome.Processed());

    EXPECT_EQ(LongitudeText(-75.2f), QString::fromUtf8("75.2\u00B0 W"));
    EXPECT_EQ(LongitudeText(0.0f), QString::fromUtf8("0.0\u00B0 E"));
    EXPECT_EQ(ProcessedCaption("GOES-16", "Stratolux  V1.0.0  Nimbrel, Corrandale", outcome),
              "GOES-16 Stratolux  V1.0.0  Nimbrel, Corrandale  -  Processed: 2024-01-02 12:30 B13");
    EXPECT_EQ(
        ProcessedLogLine(outcome),
        QString::fromUtf8("Processed  2024-01-02 1230  band B13 10.3 \u00B5m  thermal  at 75.2\u00B0 W"));
    EXPECT_EQ(ProcessedStatusText(outcome), "GOES-16  " + ProcessedLogLine(outcome));
    EXPECT_EQ(
        ThumbnailHint(outcome),
        QString::fromUtf8("GOES-16  2024-01-02 1230  band B13  [10.3 \u00B5m  thermal]  at 75.2\u00B0 W"));
    EXPECT_EQ(SourceNotDeletedLine(outcome), std::nullopt);
    outcome.sourceNotDeleted =
        Failure{FailureCode::CannotDelete, "cannot delete /in/x.nc: Permission denied"};
    EXPECT_EQ(SourceNotDeletedLine(outcome),
              "OR_ABI-L1b-RadF-M6C13_G16_s20240021230205_e1_c1.nc not deleted: cannot delete /in/x.nc: "
              "Permission denied");
}

TEST(ScanReports, FailedFileLineEndsWithItsReason) {
    FileOutcome failed;
    failed.sourcePath = "/in/broken.nc";
    failed.failure = Failure{FailureCode::NotNetCdf, "not a netCDF file"};
    EXPECT_EQ(FailureLine(failed), "broken.nc failed: not a netCDF file");
}

TEST(ScanReports, FileOfAnUntickedBandIsDeletedWithoutALine) {
    FileOutcome skipped;
    skipped.sourcePath = "/in/OR_ABI-L1b-RadF-M6C05_G16_s20240021230205_e1_c1.nc";
    skipped.name = DecodeAbiFileName(skipped.sourcePath);
    skipped.skipReason = SkipReason::BandNotSelected;
    EXPECT_FALSE(FailureLine(skipped));
}

TEST(ScanReports, FolderLinesSayWhatChanged) {
    const FolderWarning missing{"Source folder /in/", "is missing"};
    const FolderWarning unwritable{"Image folder /img/", "cannot be written: Permission denied"};
    constexpr LogSeverity kWarning = LogSeverity::Warning;
    EXPECT_EQ(FolderChangeLines({}, {missing}),
              QList<LogLine>({{"Source folder /in/ is missing", kWarning}}));
    EXPECT_EQ(FolderChangeLines({missing}, {missing, unwritable}),
              QList<LogLine>({{"Image folder /img/ cannot be written: Permission denied", kWarning}}));
    EXPECT_EQ(FolderChangeLines({missing, unwritable}, {unwritable}),
              QList<LogLine>({{"Source folder /in/ is usable again", LogSeverity::Info}}));
    const FolderWarning unreadable{"Source folder /in/", "cannot be read: Permission denied"};
    EXPECT_EQ(FolderChangeLines({missing}, {unreadable}),
              QList<LogLine>({{"Source folder /in/ cannot be read: Permission denied", kWarning}}));
}

using ScanControllerTest = ProcessingFixture;

TEST_F(ScanControllerTest, ScanReportsEveryFileInOrderAndRearmsForFiftySeconds) {
    Receive(13);
    Receive(2);
    ScanController controller;
    controller.PublishOptions(options);
    QSignalSpy reports(&controller, &ScanController::FileReported);
    QSignalSpy ended(&controller, &ScanController::ScanEnded);
    QSignalSpy started(&controller, &ScanController::ScanStarted);
    EXPECT_FALSE(controller.NextScanAt().isValid()) << "no scan is due before Start";

    const QDateTime start = QDateTime::currentDateTimeUtc();
    controller.SetRunning(true);
    EXPECT_LE(controller.NextScanAt(), start.addMSecs(kFirstScanDelayMs + 1000));
    ASSERT_TRUE(ended.wait(20000));
    ASSERT_EQ(reports.size(), 2);
    EXPECT_EQ(reports[0][0].value<FileOutcome>().BandIndex(), 1);
    EXPECT_EQ(reports[1][0].value<FileOutcome>().BandIndex(), 12);
    EXPECT_TRUE(reports[1][0].value<FileOutcome>().Processed());
    EXPECT_EQ(started.size(), 1);
    // Due about 50 s on, not 100 ms: a coarse timer may be set up to 5 % later than asked.
    const auto rearmedForFiftySeconds = [&] {
        const qint64 due = QDateTime::currentDateTimeUtc().msecsTo(controller.NextScanAt());
        return due > kScanIntervalMs - 10000 && due <= kScanIntervalMs * 21 / 20 + 1000;
    };
    EXPECT_TRUE(rearmedForFiftySeconds());

    // An empty folder: nothing reported, re-armed again.
    controller.ScanNow();
    EXPECT_FALSE(controller.NextScanAt().isValid()) << "no scan is due while one is under way";
    ASSERT_TRUE(ended.wait(5000));
    EXPECT_EQ(reports.size(), 2);
    EXPECT_EQ(started.size(), 2);
    EXPECT_TRUE(rearmedForFiftySeconds());
}

TEST_F(ScanControllerTest, StopTakesEffectBeforeTheNextFile) {
    for (int band = 1; band <= 5; ++band) Receive(band);
    options.waits.beforeRead = std::chrono::milliseconds(150);
    ScanController controller;
    controller.PublishOptions(options);
    QSignalSpy reports(&controller, &ScanController::FileReported);
    QSignalSpy ended(&controller, &ScanController::ScanEnded);
    QObject::connect(&controller, &ScanController::FileReported, &controller, [&] {
        if (reports.size() == 2) controller.SetRunning(false);
    });
    controller.SetRunning(true);
    ASSERT_TRUE(ended.wait(20000));
    // The file under way when Stop came is finished; no later file is started.
    EXPECT_LE(reports.size(), 3);
    EXPECT_FALSE(controller.NextScanAt().isValid());
}

TEST_F(ScanControllerTest, StopAndStartDuringAScanNeverRunTwoScans) {
    for (int band = 1; band <= 4; ++band) Receive(band);
    options.waits.beforeRead = std::chrono::milliseconds(300);
    ScanController controller;
    controller.PublishOptions(options);
    QSignalSpy reports(&controller, &ScanController::FileReported);
    QSignalSpy ended(&controller, &ScanController::ScanEnded);
    controller.SetRunning(true);
    ASSERT_TRUE(reports.wait(10000));
    controller.SetRunning(false);
    controller.SetRunning(true);
    // The re-armed 100 ms timer fires while the scan still runs, and starts nothing.
    ASSERT_TRUE(controller.NextScanAt().isValid());
    ASSERT_TRUE(QTest::qWaitFor([&] { return !controller.NextScanAt().isValid(); }, 5000));
    EXPECT_TRUE(ended.isEmpty());
    ASSERT_TRUE(ended.size() == 1 || ended.wait(20000));
    EXPECT_EQ(ended.size(), 1);
    EXPECT_EQ(reports.size(), 4);
    EXPECT_TRUE(controller.NextScanAt().isValid());
}

TEST_F(ScanControllerTest, BadFilesEachGiveTheirLineAndTheScanGoesOn) {
    const auto write = [&](const QString& name, const QByteArray& bytes, qint64 size) {
        QFile file(source + name);
        file.open(QIODevice::WriteOnly);
        file.write(bytes);
        file.resize(size);
        return name;
    };
    const QString good = QFileInfo(Receive(13)).fileName();
    const QByteArray netCdf = [&] {
        QFile file(source + good);
        file.open(QIODevice::ReadOnly);
        return file.readAll();
    }();
    const QString stamp = "_G16_s20240021230205_e1_c1.nc";
    const QString empty = write("OR_ABI-L1b-RadF-M6C01" + stamp, {}, 0);
    const QString truncated =
        write("OR_ABI-L1b-RadF-M6C02" + stamp, netCdf.left(netCdf.size() / 3), netCdf.size() / 3);
    QByteArray damaged = netCdf;
    for (qsizetype i = damaged.size() / 2; i < damaged.size() / 2 + 4096; ++i) damaged[i] = char(i * 7);
    const QString corrupt = write("OR_ABI-L1b-RadF-M6C03" + stamp, damaged, damaged.size());
    const QString undecodable = write("OR_ABI-L1b-RadF-M6CXX" + stamp, netCdf, netCdf.size());
    const QString oversized = write("OR_ABI-L1b-RadF-M6C05" + stamp, {}, 1600000000);
    // A pipe would block whoever opens it for reading.
    const QString pipe = "OR_ABI-L1b-RadF-M6C06" + stamp;
    ASSERT_EQ(::mkfifo(QFile::encodeName(source + pipe).constData(), 0644), 0);

    ScanController controller;
    controller.PublishOptions(options);
    QSignalSpy reports(&controller, &ScanController::FileReported);
    QSignalSpy ended(&controller, &ScanController::ScanEnded);
    controller.SetRunning(true);
    ASSERT_TRUE(ended.wait(30000));
    QStringList lines;
    bool goodProcessed = false;
    for (const QList<QVariant>& report : reports) {
        const FileOutcome outcome = report[0].value<FileOutcome>();
        if (outcome.Processed())
            goodProcessed = QFileInfo(outcome.sourcePath).fileName() == good;
        else
            lines << FailureLine(outcome).value_or("no line");
    }
    EXPECT_TRUE(goodProcessed);
    ASSERT_EQ(lines.size(), 6);
    EXPECT_EQ(lines[0], undecodable + " failed: not the name of an ABI full-disk file");
    EXPECT_EQ(lines[1], empty + " failed: only 0 bytes");
    // The reader's own reasons, whatever their words, follow the file name.
    EXPECT_TRUE(lines[2].startsWith(truncated + " failed: ")) << lines[2].toStdString();
    EXPECT_GT(lines[2].size(), (truncated + " failed: ").size());
    EXPECT_TRUE(lines[3].startsWith(corrupt + " failed: ")) << lines[3].toStdString();
    EXPECT_GT(lines[3].size(), (corrupt + " failed: ").size());
    EXPECT_EQ(lines[4], oversized + " failed: too large (1.6 GB; the limit is 1,000,000,000 bytes)");
    EXPECT_EQ(lines[5], pipe + " failed: not a regular file");
    // Every one of them waits for the next scan.
    for (const QString& name : {empty, truncated, corrupt, undecodable, oversized})
        EXPECT_TRUE(QFile::exists(source + name));
}

TEST_F(ScanControllerTest, MissingSourceFolderIsReportedAtStartAndWhenItReturns) {
    options.sourcePath = root.filePath("absent") + "/";
    ScanController controller;
    controller.PublishOptions(options);
    QSignalSpy folders(&controller, &ScanController::FoldersReported);
    QSignalSpy ended(&controller, &ScanController::ScanEnded);
    controller.SetRunning(true);
    ASSERT_TRUE(ended.wait(10000));
    ASSERT_EQ(folders.size(), 1);
    EXPECT_EQ(
        folders[0][0].value<QList<LogLine>>(),
        QList<LogLine>({{"Source folder " + options.sourcePath + " is missing", LogSeverity::Warning}}));

    // Unchanged at the next scan: nothing said.
    controller.ScanNow();
    ASSERT_TRUE(ended.wait(10000));
    EXPECT_EQ(folders.size(), 1);

    ASSERT_TRUE(QDir().mkpath(options.sourcePath));
    controller.ScanNow();
    ASSERT_TRUE(ended.wait(10000));
    ASSERT_EQ(folders.size(), 2);
    EXPECT_EQ(
        folders[1][0].value<QList<LogLine>>(),
        QList<LogLine>({{"Source folder " + options.sourcePath + " is usable again", LogSeverity::Info}}));
}

TEST_F(ScanControllerTest, EveryStartRepeatsWhatIsWrong) {
    options.savePath.clear();
    ScanController controller;
    controller.PublishOptions(options);
    QSignalSpy folders(&controller, &ScanController::FoldersReported);
    controller.SetRunning(true);
    ASSERT_TRUE(folders.wait(10000));
    controller.SetRunning(false);
    controller.SetRunning(true);
    ASSERT_TRUE(folders.size() == 2 || folders.wait(10000));
    EXPECT_EQ(folders[1][0].value<QList<LogLine>>(),
              QList<LogLine>({{"Image folder is not set", LogSeverity::Warning}}));
}

TEST_F(ScanListTest, UnsetImageFolderIsAProblemOnlyForShortNames) {
    options.savePath.clear();
    EXPECT_EQ(CheckFolders(options), std::vector<FolderWarning>({{"Image folder", "is not set"}}));
    options.shortImageNames = false;
    EXPECT_TRUE(CheckFolders(options).empty());
}

TEST_F(ScanListTest, SourceSurveyNamesWhatNoScanTakesAgainOnlyWhenItsKindsChange) {
    Receive(13, 16);
    Receive(13, 18);
    Receive(14, 18);
    QFile(source + "OR_ABI-L1b-RadC-M6C13_G16_s20240021230205_e1_c1.nc").open(QIODevice::WriteOnly);
    const QByteArray undecodable = QFile::encodeName(source) + "OR_ABI-L1b-RadF-M6C13_G16_s2024\xff.nc";
    std::fclose(std::fopen(undecodable.constData(), "w"));
    SharedOptions shared;
    shared.Publish(options);
    const std::atomic_bool running{true};
    ScanWorker worker(shared, running);
    QSignalSpy said(&worker, &ScanWorker::FoldersReported);
    QSignalSpy files(&worker, &ScanWorker::FileReported);
    worker.CheckFoldersAtStart();
    ASSERT_EQ(said.size(), 1);
    EXPECT_EQ(
        LineTexts(said[0][0]),
        QStringList({"Source folder holds 2 files of GOES-18; GOES-16 is selected",
                     "Source folder holds 1 file that is not a full-disk radiance file: "
                     "OR_ABI-L1b-RadC-M6C13_G16_s20240021230205_e1_c1.nc",
                     "Source folder holds a file whose name is not valid UTF-8, which is not processed: "
                     "OR_ABI-L1b-RadF-M6C13_G16_s2024\\xff.nc"}));
    // More of the same kinds: nothing more said; the scan takes only the selected satellite's file.
    Receive(15, 18);
    worker.RunScan();
    EXPECT_EQ(said.size(), 1);
    ASSERT_EQ(files.size(), 1);
    EXPECT_TRUE(files[0][0].value<FileOutcome>().Processed());
    // A new kind: said again, whole.
    Receive(13, 17);
    worker.RunScan();
    ASSERT_EQ(said.size(), 2);
    EXPECT_EQ(LineTexts(said[1][0]).first(), "Source folder holds 1 file of GOES-17; GOES-16 is selected");
}

TEST_F(ScanListTest, OutputFolderBelowAFileCannotBeCreated) {
    QFile blocker(root.filePath("blocker"));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    options.savePath = root.filePath("blocker") + "/images/";
    const std::vector<FolderWarning> warnings = CheckFolders(options);
    ASSERT_EQ(warnings.size(), 1);
    EXPECT_EQ(warnings[0].Text(), "Image folder " + options.savePath +
                                      " cannot be created: " + root.filePath("blocker") + " is not a folder");
}

TEST_F(ScanListTest, MissingOutputFoldersAreSaidWhereFilesGoAndWhenTheyAreMade) {
    ASSERT_TRUE(QDir(netCdf).removeRecursively() && QDir(images).removeRecursively());
    const auto missing = [](const QString& role, const QString& folder) {
        return FolderWarning{role + " " + folder, "is missing: it is created for the first file", true};
    };
    EXPECT_EQ(CheckFolders(options), std::vector<FolderWarning>({missing("NetCDF folder", netCdf),
                                                                 missing("Image folder", images)}));
    // With long names the images lie beside the read copy: the image folder is only created.
    ProcessingOptions longNames = options;
    longNames.shortImageNames = false;
    EXPECT_EQ(CheckFolders(longNames), std::vector<FolderWarning>({missing("NetCDF folder", netCdf)}));

    Receive(13);
    SharedOptions shared;
    shared.Publish(options);
    const std::atomic_bool running{true};
    ScanWorker worker(shared, running);
    QSignalSpy said(&worker, &ScanWorker::FoldersReported);
    worker.CheckFoldersAtStart();
    ASSERT_EQ(said.size(), 1);
    EXPECT_EQ(LineTexts(said[0][0]),
              QStringList({"NetCDF folder " + netCdf + " is missing: it is created for the first file",
                           "Image folder " + images + " is missing: it is created for the first file"}));
    worker.RunScan(); // the file makes them
    Receive(14);
    worker.RunScan();
    ASSERT_EQ(said.size(), 2);
    EXPECT_EQ(LineTexts(said[1][0]), QStringList({"NetCDF folder " + netCdf + " exists now",
                                                  "Image folder " + images + " exists now"}));
}

TEST_F(ScanListTest, AnOutputFolderThatIsAFileIsSaidEvenWhenOnlyCreated) {
    QFile blocker(root.filePath("blocker"));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    options.savePath = root.filePath("blocker") + "/";
    options.shortImageNames = false;
    const std::vector<FolderWarning> warnings = CheckFolders(options);
    ASSERT_EQ(warnings.size(), 1);
    EXPECT_EQ(warnings[0].Text(), "Image folder " + options.savePath + " is not a folder");
}

TEST_F(ScanListTest, UsableFoldersGiveNoWarning) {
    EXPECT_TRUE(CheckFolders(options).empty()); // the archive and image folders are created when needed
}
