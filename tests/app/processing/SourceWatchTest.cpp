// The source folder watched: a file closed or moved into it is processed without waiting for the 50 s cycle
// and without the settling time, unless another writer still holds it; a burst of sixteen bands is one scan,
// and without the watch only the cycle finds a file.
#include "AbiSample.h"
#include "HoldingProcess.h"
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

    // Starts a controller with the options and waits for its first scan (of an empty folder) to end, the
    // next 50 s away, and for its watch when it has one.
    struct Started {
        explicit Started(const ProcessingOptions& options) {
            controller.PublishOptions(options);
            QSignalSpy watched(&controller, &ScanController::SourceWatched);
            controller.SetRunning(true);
            EXPECT_TRUE(ended.wait(kWithinMs));
            EXPECT_GT(QDateTime::currentDateTimeUtc().msecsTo(controller.NextScanAt()), kWithinMs);
            if (options.watchSourceFolder) {
                EXPECT_TRUE(!watched.isEmpty() || watched.wait(kWithinMs));
            }
        }
        ScanController controller;
        QSignalSpy reports{&controller, &ScanController::FileReported};
        QSignalSpy ended{&controller, &ScanController::ScanEnded};
    };

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
    Started started(options);
    const QString path = WriteIn(13);
    ASSERT_TRUE(started.reports.wait(kWithinMs));
    const FileOutcome outcome = started.reports[0][0].value<FileOutcome>();
    EXPECT_TRUE(outcome.Processed()) << qPrintable(outcome.failure ? outcome.failure->message : QString());
    EXPECT_FALSE(QFileInfo::exists(path));
}

TEST_F(SourceWatchTest, AFileMovedInIsProcessedAtOnce) {
    Started started(options);
    MoveIn(Staged(2));
    ASSERT_TRUE(started.reports.wait(kWithinMs));
    EXPECT_TRUE(started.reports[0][0].value<FileOutcome>().Processed());
}

TEST_F(SourceWatchTest, AFileAnotherWriterStillHoldsWaitsForItsLastClose) {
    Started started(options);
    const QString staged = Staged(13);
    HoldingProcess writer(staged, HoldingProcess::Mode::Writing);
    ASSERT_TRUE(writer.IsReady());
    const QString path = MoveIn(staged);
    ASSERT_TRUE(started.reports.wait(kWithinMs));
    const FileOutcome held = started.reports[0][0].value<FileOutcome>();
    ASSERT_TRUE(held.failure);
    EXPECT_EQ(held.failure->code, FailureCode::StillBeingWritten);
    EXPECT_TRUE(QFileInfo::exists(path));

    ASSERT_TRUE(writer.CloseFile());
    ASSERT_TRUE(QTest::qWaitFor([&] { return started.reports.size() == 2; }, kWithinMs));
    EXPECT_TRUE(started.reports[1][0].value<FileOutcome>().Processed());
}

TEST_F(SourceWatchTest, ABurstOfSixteenBandsIsOneScan) {
    QStringList staged;
    for (int band = 1; band <= 16; ++band) staged << Staged(band);
    Started started(options);
    for (const QString& file : staged) MoveIn(file);
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return started.reports.size() == 16 && started.ended.size() == 2; }, 60000))
        << started.reports.size() << " files, " << started.ended.size() << " scans";
    for (const QList<QVariant>& report : started.reports)
        EXPECT_TRUE(report[0].value<FileOutcome>().Processed());
}

TEST_F(SourceWatchTest, WithoutTheWatchOnlyTheCycleFindsAFile) {
    // The witness watches a folder of its own; once it has processed its file, a watch would have seen the
    // unwatched controller's file too.
    ProcessingOptions witnessed = options;
    witnessed.sourcePath = root.filePath("witnessed") + "/";
    QDir().mkpath(witnessed.sourcePath);
    options.watchSourceFolder = false;
    Started unwatched(options), witness(witnessed);

    MoveIn(Staged(13));
    const QString witnessFile = Staged(2);
    ASSERT_TRUE(QFile::rename(witnessFile, witnessed.sourcePath + QFileInfo(witnessFile).fileName()));
    ASSERT_TRUE(witness.reports.wait(kWithinMs));
    EXPECT_TRUE(unwatched.reports.isEmpty());
    EXPECT_EQ(unwatched.ended.size(), 1);
    EXPECT_GT(QDateTime::currentDateTimeUtc().msecsTo(unwatched.controller.NextScanAt()), 0);
}

TEST_F(SourceWatchTest, AFileArrivingWhileTheCycleIsPausedWaitsForItsResumption) {
    ProcessingOptions witnessed = options;
    witnessed.sourcePath = root.filePath("witnessed") + "/";
    QDir().mkpath(witnessed.sourcePath);
    Started paused(options), witness(witnessed);
    QSignalSpy scans(&paused.controller, &ScanController::ScanStarted);
    paused.controller.PauseCycle();

    // The paused controller's file arrives first: had its scan not been held, it would have begun before the
    // witness's.
    MoveIn(Staged(13));
    const QString witnessFile = Staged(2);
    ASSERT_TRUE(QFile::rename(witnessFile, witnessed.sourcePath + QFileInfo(witnessFile).fileName()));
    ASSERT_TRUE(witness.reports.wait(kWithinMs));
    EXPECT_TRUE(scans.isEmpty()) << "a scan began while the window asked its question";

    paused.controller.ResumeCycle();
    ASSERT_TRUE(paused.reports.wait(kWithinMs));
    EXPECT_TRUE(paused.reports[0][0].value<FileOutcome>().Processed());
}
