// The source folder watched: a file closed or moved into it is processed without waiting for the 50 s cycle
// and without the settling time, a burst of sixteen bands is one scan, and without the watch only the cycle
// finds a file.
#include "AbiSample.h"
#include "ProcessingFixture.h"
#include "ScanController.h"

#include <QFile>
#include <QFileInfo>
#include <QSignalSpy>
#include <QTest>

namespace {

constexpr int kWithinMs = 20000; // well inside the 50 s cycle

class SourceWatchTest : public ProcessingFixture {
protected:
    void SetUp() override {
        ProcessingFixture::SetUp();
        staging = root.filePath("staging") + "/";
        QDir().mkpath(staging);
        options.watchSourceFolder = true;
        // A file found only by listing would be still being written for ten seconds.
        options.waits.settling = kSettlingTime;
    }

    // Starts the controller and waits for its first scan (of an empty folder) to end, the next 50 s away,
    // and for the watch when it has one.
    static void StartAndWaitForTheFirstScan(ScanController& controller, QSignalSpy& ended) {
        QSignalSpy watched(&controller, &ScanController::SourceWatched);
        controller.SetRunning(true);
        ASSERT_TRUE(ended.wait(kWithinMs));
        ASSERT_EQ(controller.TimerProcess().interval(), kScanIntervalMs);
        if (controller.Options().watchSourceFolder) {
            ASSERT_TRUE(!watched.isEmpty() || watched.wait(kWithinMs));
        }
    }

    // A band's file written outside the source folder, to be put into it.
    QString Staged(int band) {
        AbiSampleOptions sample;
        sample.band = band;
        sample.size = 96;
        return WriteAbiSample(sample, staging);
    }
    // Written into the source folder by a writer that then closes it.
    QString WriteIn(int band) {
        QFile staged(Staged(band));
        EXPECT_TRUE(staged.open(QIODevice::ReadOnly));
        const QString path = source + QFileInfo(staged).fileName();
        QFile written(path);
        EXPECT_TRUE(written.open(QIODevice::WriteOnly));
        EXPECT_EQ(written.write(staged.readAll()), staged.size());
        written.close();
        return path;
    }
    QString MoveIn(const QString& staged) {
        const QString path = source + QFileInfo(staged).fileName();
        EXPECT_TRUE(QFile::rename(staged, path));
        return path;
    }

    QString staging;
};

} // namespace

TEST_F(SourceWatchTest, AFileClosedInTheFolderIsProcessedAtOnce) {
    ScanController controller;
    controller.PublishOptions(options);
    QSignalSpy reports(&controller, &ScanController::FileReported);
    QSignalSpy ended(&controller, &ScanController::ScanEnded);
    StartAndWaitForTheFirstScan(controller, ended);

    const QString path = WriteIn(13);
    ASSERT_TRUE(reports.wait(kWithinMs));
    const FileOutcome outcome = reports[0][0].value<FileOutcome>();
    EXPECT_TRUE(outcome.Processed()) << qPrintable(outcome.failure ? outcome.failure->message : QString());
    EXPECT_FALSE(QFileInfo::exists(path));
}

TEST_F(SourceWatchTest, AFileMovedInIsProcessedAtOnce) {
    ScanController controller;
    controller.PublishOptions(options);
    QSignalSpy reports(&controller, &ScanController::FileReported);
    QSignalSpy ended(&controller, &ScanController::ScanEnded);
    StartAndWaitForTheFirstScan(controller, ended);

    MoveIn(Staged(2));
    ASSERT_TRUE(reports.wait(kWithinMs));
    EXPECT_TRUE(reports[0][0].value<FileOutcome>().Processed());
}

TEST_F(SourceWatchTest, ABurstOfSixteenBandsIsOneScan) {
    QStringList staged;
    for (int band = 1; band <= 16; ++band) staged << Staged(band);
    ScanController controller;
    controller.PublishOptions(options);
    QSignalSpy reports(&controller, &ScanController::FileReported);
    QSignalSpy ended(&controller, &ScanController::ScanEnded);
    StartAndWaitForTheFirstScan(controller, ended);

    for (const QString& file : staged) MoveIn(file);
    ASSERT_TRUE(QTest::qWaitFor([&] { return reports.size() == 16 && ended.size() == 2; }, 60000))
        << reports.size() << " files, " << ended.size() << " scans";
    for (const QList<QVariant>& report : reports) EXPECT_TRUE(report[0].value<FileOutcome>().Processed());
}

TEST_F(SourceWatchTest, WithoutTheWatchOnlyTheCycleFindsAFile) {
    // The witness watches a folder of its own; once it has processed its file, a watch would have seen the
    // unwatched controller's file too.
    ProcessingOptions witnessed = options;
    witnessed.sourcePath = root.filePath("witnessed") + "/";
    QDir().mkpath(witnessed.sourcePath);
    options.watchSourceFolder = false;
    ScanController unwatched, witness;
    unwatched.PublishOptions(options);
    witness.PublishOptions(witnessed);
    QSignalSpy unwatchedReports(&unwatched, &ScanController::FileReported);
    QSignalSpy witnessReports(&witness, &ScanController::FileReported);
    QSignalSpy unwatchedEnded(&unwatched, &ScanController::ScanEnded);
    QSignalSpy witnessEnded(&witness, &ScanController::ScanEnded);
    StartAndWaitForTheFirstScan(unwatched, unwatchedEnded);
    StartAndWaitForTheFirstScan(witness, witnessEnded);

    MoveIn(Staged(13));
    const QString witnessFile = Staged(2);
    ASSERT_TRUE(QFile::rename(witnessFile, witnessed.sourcePath + QFileInfo(witnessFile).fileName()));
    ASSERT_TRUE(witnessReports.wait(kWithinMs));
    EXPECT_TRUE(unwatchedReports.isEmpty());
    EXPECT_EQ(unwatchedEnded.size(), 1);
    EXPECT_TRUE(unwatched.TimerProcess().isActive());
    EXPECT_EQ(unwatched.TimerProcess().interval(), kScanIntervalMs);
}
