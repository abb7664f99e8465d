// The reader in a process of its own: the same images as the reader in the program, and a file that
// crashes, hangs or is damaged fails with its reason, stays, and never takes the program or the scan down.
#include "ReaderProcess.h"
#include "AbiBitmap.h"
#include "BMPExtImage.h"
#include "FailureAssertions.h"
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
#include <functional>
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
    const QString trace = root.filePath("asked");
    const TestSwitch asking("STRATOLUX_TEST_READER_TRACE", trace);
    SharedOptions shared;
    shared.Publish(options);
    const std::atomic_bool running{true};
    ScanWorker worker(shared, running);
    const auto touch = [&] {
        QFile file(marked);
        ASSERT_TRUE(file.open(QIODevice::ReadWrite));
        ASSERT_TRUE(file.setFileTime(QDateTime::currentDateTimeUtc(), QFileDevice::FileModificationTime));
    };
    const auto startAgain = [&] { worker.CheckFoldersAtStart(); };
    // What happens before each scan, and how often the marked file has been read after it.
    const QList<std::pair<std::function<void()>, int>> steps = {
        {[] {}, 1}, {[] {}, 1}, {touch, 2}, {[] {}, 2}, {startAgain, 3}};
    for (const auto& [before, reads] : steps) {
        before();
        QSignalSpy reports(&worker, &ScanWorker::FileReported);
        worker.RunScan();
        const FileOutcome first = reports.constFirst()[0].value<FileOutcome>();
        EXPECT_EQ(FailureLine(first),
                  QFileInfo(marked).fileName() + " failed: reader crashed (signal 11, Segmentation fault)");
        EXPECT_EQ(ReadWholeFile(trace).count(QFileInfo(marked).fileName().toUtf8()), reads);
    }
    EXPECT_FALSE(QFileInfo::exists(good));
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
    const Status read = reader->Read(AbiReadRequest::ByName(path), isolated, longitude);
    ASSERT_TRUE(read.ok()) << qPrintable(read.failure().message);
    ASSERT_TRUE(ReadAbiImage(AbiReadRequest::ByName(path), inProgram, longitude));
    EXPECT_EQ(isolated.Image(), inProgram.Image());
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
