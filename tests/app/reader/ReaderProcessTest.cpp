// The reader in a process of its own: the same images as the reader in the program, and a file that
// crashes, hangs or is damaged fails with its reason, stays, and never takes the program or the scan down.
#include "ReaderProcess.h"
#include "AbiBitmap.h"
#include "BMPExtImage.h"
#include "FailureAssertions.h"
#include "NetCDFGoesAbi.h"
#include "ProcessingFixture.h"
#include "ScanReports.h"
#include "ScanWorker.h"
#include "TestFiles.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSignalSpy>
#include <cerrno>
#include <sys/wait.h>

namespace {

constexpr std::chrono::milliseconds kNoRetry(0);

// Sets a test switch of the helper's test build for the life of the object.
class TestSwitch {
public:
    TestSwitch(const char* variable, const QString& marker) : variable_(variable) {
        qputenv(variable_, marker.toLocal8Bit());
    }
    ~TestSwitch() { qunsetenv(variable_); }
    TestSwitch(const TestSwitch&) = delete;
    TestSwitch& operator=(const TestSwitch&) = delete;

private:
    const char* variable_;
};

} // namespace

class IsolatedReaderTest : public ProcessingFixture {
protected:
    Status ReadIsolated(const QString& path, TExtBitmap& bitmap, float& longitude,
                        const ReaderProcessSettings& reader) {
        bitmap.SetPixelFormat(TPixelFormat::pf8bit);
        return ReadAbiImageIsolated(AbiReadRequest::ByName(path), bitmap, longitude, reader);
    }
    static ReaderProcessSettings TestBuild(std::chrono::milliseconds answerWithin = std::chrono::minutes(1)) {
        return {TEST_READER_PROGRAM, answerWithin};
    }

    // Runs one whole scan of the source folder and gives each file's outcome.
    QList<FileOutcome> Scan() {
        QList<FileOutcome> outcomes;
        for (const QList<QVariant>& report : ScanAndCollect(&ScanWorker::FileReported))
            outcomes << report[0].value<FileOutcome>();
        return outcomes;
    }

    enum class BeforeScan { Nothing, Touch, StartAgain };

    // Scans once after each step (the marked file touched, or processing started again, first): the marked
    // file, the first in scan order, fails every time with the reason `line`, and the reader has been asked
    // for it as many times in all as the step says.
    void ExpectReadsAfterEachScan(const QString& marked, const QString& line,
                                  const QList<std::pair<BeforeScan, int>>& steps) {
        const QString trace = root.filePath("asked");
        const TestSwitch asking("STRATOLUX_TEST_READER_TRACE", trace);
        SharedOptions shared;
        shared.Publish(options);
        const std::atomic_bool running{true};
        ScanWorker worker(shared, running);
        for (const auto& [before, reads] : steps) {
            if (before == BeforeScan::Touch) {
                QFile file(marked);
                ASSERT_TRUE(file.open(QIODevice::ReadWrite));
                ASSERT_TRUE(
                    file.setFileTime(QDateTime::currentDateTimeUtc(), QFileDevice::FileModificationTime));
            }
            if (before == BeforeScan::StartAgain) worker.CheckFoldersAtStart();
            QSignalSpy reports(&worker, &ScanWorker::FileReported);
            worker.RunScan();
            ASSERT_FALSE(reports.isEmpty());
            EXPECT_EQ(FailureLine(reports.constFirst()[0].value<FileOutcome>()),
                      QFileInfo(marked).fileName() + " failed: " + line);
            EXPECT_EQ(ReadWholeFile(trace).count(QFileInfo(marked).fileName().toUtf8()), reads);
        }
    }

    // Scans `rounds` times: the marked file fails every time with the reason `line` and stays, the others are
    // processed at the first scan.
    void ExpectFailsAtEveryScan(const QString& marked, const QStringList& others, int rounds,
                                const QString& line) {
        for (int round = 0; round < rounds; ++round) {
            const QList<FileOutcome> outcomes = Scan();
            ASSERT_EQ(outcomes.size(), round == 0 ? others.size() + 1 : 1) << "scan " << round;
            for (const FileOutcome& outcome : outcomes) {
                if (outcome.sourcePath != marked)
                    EXPECT_TRUE(outcome.Processed()) << qPrintable(outcome.sourcePath);
                else
                    EXPECT_EQ(FailureLine(outcome), QFileInfo(marked).fileName() + " failed: " + line);
            }
            EXPECT_TRUE(QFileInfo::exists(marked)) << "scan " << round;
        }
        for (const QString& other : others) EXPECT_FALSE(QFileInfo::exists(other)) << qPrintable(other);
    }
};

TEST_F(IsolatedReaderTest, GreyLevelsOfEveryBandEqualTheReaderInTheProgram) {
    for (int band = 1; band <= 16; ++band) {
        AbiSampleOptions sample;
        sample.band = band;
        sample.size = 97; // rows padded to 4 bytes
        const QString path = WriteAbiSample(sample, source);
        TExtBitmap inProgram, isolated;
        inProgram.SetPixelFormat(TPixelFormat::pf8bit);
        float longitudeInProgram = 0, longitudeIsolated = 0;
        ASSERT_TRUE(ReadAbiImage(AbiReadRequest::ByName(path), inProgram, longitudeInProgram));
        const Status read = ReadIsolated(path, isolated, longitudeIsolated, {READER_PROGRAM});
        ASSERT_TRUE(read.ok()) << "band " << band << ": " << qPrintable(read.failure().message);
        EXPECT_EQ(isolated.Image(), inProgram.Image()) << "band " << band;
        EXPECT_EQ(isolated.Image().colorTable(), inProgram.Image().colorTable()) << "band " << band;
        EXPECT_EQ(longitudeIsolated, longitudeInProgram) << "band " << band;
    }
}

TEST_F(IsolatedReaderTest, GeolocationComesBackAsTheReaderInTheProgramReadsIt) {
    const QString path = Receive(2);
    TExtBitmap inProgram, isolated;
    inProgram.SetPixelFormat(TPixelFormat::pf8bit);
    isolated.SetPixelFormat(TPixelFormat::pf8bit);
    float longitude = 0;
    std::optional<AbiGeolocation> expected, received;
    ASSERT_TRUE(ReadAbiImage(AbiReadRequest::ByName(path), inProgram, longitude, &expected));
    ASSERT_TRUE(expected);
    ASSERT_TRUE(
        ReadAbiImageIsolated(AbiReadRequest::ByName(path), isolated, longitude, {READER_PROGRAM}, &received));
    EXPECT_EQ(received, expected);
}

TEST_F(IsolatedReaderTest, ACopyUnderAnyNameIsReadAsTheBandOfTheReceivedFile) {
    const QString received = Receive(13);
    const QString copy = QFileInfo(received).dir().filePath(".copy.reading");
    ASSERT_TRUE(QFile::copy(received, copy));
    TExtBitmap byName, isolated;
    byName.SetPixelFormat(TPixelFormat::pf8bit);
    isolated.SetPixelFormat(TPixelFormat::pf8bit);
    float longitude = 0;
    ASSERT_TRUE(ReadAbiImage(AbiReadRequest::ByName(received), byName, longitude));
    ASSERT_TRUE(ReadAbiImageIsolated({copy, DecodeAbiFileName(received), kNoRetry, false}, isolated,
                                     longitude, {READER_PROGRAM}));
    EXPECT_EQ(isolated.Image(), byName.Image());
}

TEST_F(IsolatedReaderTest, CrashOfTheReaderIsReportedWithItsSignal) {
    const QString path = Receive(7);
    const TestSwitch crash("STRATOLUX_TEST_READER_CRASH", "M6C07_");
    TExtBitmap bitmap;
    float longitude = 12.5f;
    EXPECT_TRUE(FailedWith(ReadIsolated(path, bitmap, longitude, TestBuild()), FailureCode::ReaderCrashed,
                           "reader crashed (signal 11, Segmentation fault)"));
    EXPECT_EQ(longitude, 12.5f);
    EXPECT_EQ(bitmap.Width(), 0);
}

TEST_F(IsolatedReaderTest, HangingReaderIsStoppedAtTheBound) {
    const QString path = Receive(7);
    const TestSwitch hang("STRATOLUX_TEST_READER_HANG", "M6C07_");
    TExtBitmap bitmap;
    float longitude = 0;
    EXPECT_TRUE(FailedWith(ReadIsolated(path, bitmap, longitude, TestBuild(std::chrono::milliseconds(300))),
                           FailureCode::ReaderTimedOut,
                           "reader gave no answer within 300 ms and was stopped"));
}

TEST_F(IsolatedReaderTest, MissingHelperProgramFailsWithItsPath) {
    const QString path = Receive(13);
    const QString missing = root.filePath("nowhere/stratolux-reader");
    TExtBitmap bitmap;
    float longitude = 0;
    EXPECT_TRUE(FailedWith(ReadIsolated(path, bitmap, longitude, {missing}), FailureCode::ReaderFailed,
                           "cannot start the reader " + missing + ": No such file or directory"));
}

TEST_F(IsolatedReaderTest, CrashingFileFailsAtEveryScanWhileTheFilesBehindItAreProcessed) {
    const QString before = Receive(5);
    const QString marked = Receive(7);
    const QString behind = Receive(9);
    options.reader = TestBuild();
    const TestSwitch crash("STRATOLUX_TEST_READER_CRASH", "M6C07_");
    ExpectFailsAtEveryScan(marked, {before, behind}, 20, "reader crashed (signal 11, Segmentation fault)");
}

TEST_F(IsolatedReaderTest, HangingFileFailsAndTheScanGoesOn) {
    const QString marked = Receive(7);
    const QString behind = Receive(9);
    options.reader = TestBuild(std::chrono::milliseconds(200));
    const TestSwitch hang("STRATOLUX_TEST_READER_HANG", "M6C07_");
    ExpectFailsAtEveryScan(marked, {behind}, 2, "reader gave no answer within 200 ms and was stopped");
}

TEST_F(IsolatedReaderTest, FileThatFailedForWhatItHoldsIsReadAgainOnlyWhenChangedOrStartedAgain) {
    const QString marked = Receive(7);
    const QString good = Receive(9);
    options.reader = TestBuild();
    const TestSwitch crash("STRATOLUX_TEST_READER_CRASH", "M6C07_");
    ExpectReadsAfterEachScan(marked, "reader crashed (signal 11, Segmentation fault)",
                             {{BeforeScan::Nothing, 1},
                              {BeforeScan::Nothing, 1},
                              {BeforeScan::Touch, 2},
                              {BeforeScan::Nothing, 2},
                              {BeforeScan::StartAgain, 3}});
    EXPECT_FALSE(QFileInfo::exists(good));
}

TEST_F(IsolatedReaderTest, HungFileIsReadOnceMoreAtTheNextScanThenOnlyWhenChangedOrStartedAgain) {
    const QString marked = Receive(7);
    options.reader = TestBuild(std::chrono::milliseconds(200));
    const TestSwitch hang("STRATOLUX_TEST_READER_HANG", "M6C07_");
    ExpectReadsAfterEachScan(marked, "reader gave no answer within 200 ms and was stopped",
                             {{BeforeScan::Nothing, 1},
                              {BeforeScan::Nothing, 2},
                              {BeforeScan::Nothing, 2},
                              {BeforeScan::Touch, 3},
                              {BeforeScan::Nothing, 4},
                              {BeforeScan::Nothing, 4},
                              {BeforeScan::StartAgain, 5},
                              {BeforeScan::Nothing, 6}});
    EXPECT_TRUE(QFileInfo::exists(marked));
}

TEST_F(IsolatedReaderTest, DamagedFileFailsWithAReasonAtEveryScan) {
    const QString damaged = Receive(13);
    QByteArray bytes = ReadWholeFile(damaged);
    // Eight bytes of the root group's object header, the first metadata the library reads.
    const qsizetype header = bytes.indexOf("OHDR");
    ASSERT_GT(header, 0);
    for (qsizetype i = header + 12; i < header + 20; ++i) bytes[i] = static_cast<char>(~bytes[i]);
    ASSERT_TRUE(WriteWholeFile(damaged, bytes));
    const QString behind = Receive(14);

    TExtBitmap bitmap;
    float longitude = 0;
    const Status read = ReadIsolated(damaged, bitmap, longitude, {READER_PROGRAM});
    ASSERT_FALSE(read.ok());
    ASSERT_FALSE(read.failure().message.isEmpty());
    ExpectFailsAtEveryScan(damaged, {behind}, 20, read.failure().message);
}

TEST_F(IsolatedReaderTest, ReaderStartedBeforeItsFileArrivesReadsIt) {
    auto reader = ReaderProcess::Start({READER_PROGRAM});
    ASSERT_TRUE(reader.ok()) << qPrintable(reader.failure().message);
    const QString path = Receive(13);
    TExtBitmap isolated, inProgram;
    isolated.SetPixelFormat(TPixelFormat::pf8bit);
    inProgram.SetPixelFormat(TPixelFormat::pf8bit);
    float longitude = 0;
    AbiCompleteness completeness;
    const Status read = reader->Read(AbiReadRequest::ByName(path), isolated, longitude, completeness);
    ASSERT_TRUE(read.ok()) << qPrintable(read.failure().message);
    ASSERT_TRUE(ReadAbiImage(AbiReadRequest::ByName(path), inProgram, longitude));
    EXPECT_EQ(isolated.Image(), inProgram.Image());
    // How whole the image is comes back as the reader found it in the file.
    GreyRows rows;
    AbiCompleteness inProgramCompleteness;
    ASSERT_TRUE(ReadAbiGreyRows(AbiReadRequest::ByName(path), rows, longitude, inProgramCompleteness));
    EXPECT_TRUE(completeness.validPixels);
    EXPECT_EQ(completeness, inProgramCompleteness);
}

TEST_F(IsolatedReaderTest, ReaderNeverGivenAFileLeavesNoProcessBehind) {
    {
        auto reader = ReaderProcess::Start({READER_PROGRAM});
        ASSERT_TRUE(reader.ok()) << qPrintable(reader.failure().message);
    }
    // Neither running nor waiting to be reaped: this process has no child left.
    int status = 0;
    EXPECT_EQ(::waitpid(-1, &status, WNOHANG), -1);
    EXPECT_EQ(errno, ECHILD);
}

TEST_F(IsolatedReaderTest, ReaderThatOutgrowsItsMemoryLimitFailsWithOutOfMemory) {
#ifdef __SANITIZE_ADDRESS__
    GTEST_SKIP() << "a reader under AddressSanitizer runs without its address-space limit";
#endif
    const QString path = Receive(13);
    const TestSwitch greedy("STRATOLUX_TEST_READER_GREEDY", "M6C13_");
    TExtBitmap bitmap;
    float longitude = 0;
    EXPECT_TRUE(FailedWith(ReadIsolated(path, bitmap, longitude, TestBuild()), FailureCode::OutOfMemory,
                           "out of memory (96 × 96 image)"));
}
