// The processing log over a real text view and real log files in a temporary folder, with a settable clock.
#include "ProcessingLog.h"

#include <QDir>
#include <QFile>
#include <QPlainTextEdit>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <QTextBlock>
#include <csignal>
#include <gtest/gtest.h>
#include <sys/resource.h>

namespace {

TDateTime At(int year, int month, int day, int hour, int minute, int second = 0, int millisecond = 0) {
    return EncodeDateTime({year, month, day, hour, minute, second, millisecond});
}

// A file size limit on this process, as a full disk would set one; writes beyond it fail with EFBIG.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes) {
        ::getrlimit(RLIMIT_FSIZE, &saved_);
        previousHandler_ = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit = saved_;
        limit.rlim_cur = bytes;
        ::setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit() {
        ::setrlimit(RLIMIT_FSIZE, &saved_);
        std::signal(SIGXFSZ, previousHandler_);
    }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

private:
    rlimit saved_{};
    void (*previousHandler_)(int) = nullptr;
};

class ProcessingLogTest : public testing::Test {
protected:
    QString LogPath() const { return Folder.filePath("Stratolux-process.log"); }

    std::unique_ptr<ProcessingLog> MakeLog(const QString& fileName) {
        return std::make_unique<ProcessingLog>(
            View, fileName, [this] { return Clock; },
            [this](const QString& line, LogSeverity) { Echoed << line; });
    }

    // The view's lines as the log file holds them.
    QByteArray ViewAsFile() const {
        QByteArray content;
        for (QTextBlock line = View.document()->begin(); line.isValid(); line = line.next())
            content += line.text().toUtf8() + "\r\n";
        return content;
    }

    // Lines that were in the log file before this run; a rewrite replaces them by the view's lines.
    void WriteHistory(const QString& path) { WriteFile(path, kHistory); }
    bool Rewritten(const QString& path) const { return !FileContent(path).startsWith(kHistory); }
    static constexpr const char* kHistory = "2025-01-20 10:00:00      history\r\n";

    void WriteLines(ProcessingLog& log, int count) {
        for (int i = 0; i < count; ++i) log.WriteLog(QString("line %1").arg(i), 0);
    }

    QByteArray FileContent(const QString& path) const {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    void WriteFile(const QString& path, const QByteArray& content) {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(content);
    }

    QTemporaryDir Folder;
    QPlainTextEdit View;
    QStringList Echoed;
    // A program started at 23:50 UTC.
    TDateTime Clock = At(2025, 1, 21, 23, 50, 7, 654);
};

TEST_F(ProcessingLogTest, EntriesCarryOneOfTwoStampsOfEqualWidth) {
    auto log = MakeLog(LogPath());
    log->WriteLog("Starting Stratolux V1.0.0", At(2025, 1, 21, 20, 2, 4, 56));
    log->WriteLog("OR_ABI-L1b-RadF-M6C13_G16_s20251021200204.nc failed", 0);
    log->WriteLog("two\nlines", 0);

    ASSERT_EQ(log->LineCount(), 3);
    const QTextDocument& document = *View.document();
    EXPECT_EQ(document.findBlockByNumber(0).text(), "2025-01-21 20:02:04.056  Starting Stratolux V1.0.0");
    EXPECT_EQ(document.findBlockByNumber(1).text(),
              "2025-01-21 23:50:07      OR_ABI-L1b-RadF-M6C13_G16_s20251021200204.nc failed");
    EXPECT_EQ(document.findBlockByNumber(2).text().mid(25), "two lines");
    // The caret rests at the start of the newest entry.
    EXPECT_EQ(View.textCursor().blockNumber(), 2);
    EXPECT_EQ(View.textCursor().positionInBlock(), 0);
    EXPECT_FALSE(View.textCursor().hasSelection());
}

// Whether every character of a line is drawn in a red that stands out from the view's black text.
bool ShownInRed(const QTextBlock& line) {
    bool red = !line.text().isEmpty();
    for (auto fragment = line.begin(); !fragment.atEnd(); ++fragment) {
        const QTextCharFormat format = fragment.fragment().charFormat();
        const QColor colour = format.foreground().color();
        red = red && format.hasProperty(QTextFormat::ForegroundBrush) && colour.red() >= 100 &&
              colour.green() < 60 && colour.blue() < 60;
    }
    return red;
}

TEST_F(ProcessingLogTest, AFailedFilesLineStandsOutInRedWithItsTextUnchangedAlsoWhenLoaded) {
    const QStringList texts = {
        "Starting Stratolux V1.0.0",
        "OR_ABI-L1b-RadF-M6C13_G16_s20250212000204_e2_c3.nc failed: not a netCDF file",
        "OR_ABI-L1b-RadF-M6C02_G16_s20250212000204_e2_c3.nc not deleted: Permission denied",
        "Processed  2025-01-21 2000  band B13",
        "Setting Satellite=7 is outside 0 to 3: the default 0 is used"};
    // Two failed lines in a row, and the line after them in the view's own colour.
    const std::vector<bool> red = {false, true, true, false, false};
    {
        auto log = MakeLog(LogPath());
        for (const QString& text : texts) log->WriteLog(text, 0);
    }
    for (bool loaded : {false, true}) {
        if (loaded) {
            View.clear();
            ASSERT_TRUE(MakeLog(LogPath())->Load());
        }
        ASSERT_EQ(View.document()->blockCount(), texts.size());
        for (int index = 0; index < texts.size(); ++index) {
            const QTextBlock line = View.document()->findBlockByNumber(index);
            EXPECT_EQ(line.text().mid(25), texts[index]);
            EXPECT_EQ(ShownInRed(line), red[index])
                << qPrintable(texts[index]) << (loaded ? " (loaded)" : "");
        }
    }
}

TEST_F(ProcessingLogTest, ViewKeepsAtMostTenThousandLines) {
    QStringList history;
    for (int i = 0; i < 9999; ++i) history << QString("old line %1").arg(i);
    View.setPlainText(history.join(u'\n'));
    auto log = MakeLog(LogPath());
    log->WriteLog("10 000th", 0);
    EXPECT_EQ(log->LineCount(), 10000);

    log->WriteLog("newest", 0);
    EXPECT_EQ(log->LineCount(), 9502);
    EXPECT_EQ(View.document()->firstBlock().text(), "old line 499");
    EXPECT_TRUE(View.document()->lastBlock().text().endsWith("newest"));
}

TEST_F(ProcessingLogTest, EveryEntryIsAppendedToTheFileAndEchoedAsItIsWritten) {
    WriteHistory(LogPath());
    auto log = MakeLog(LogPath());
    log->WriteLog("Starting Stratolux V1.0.0", At(2025, 1, 21, 20, 2, 4, 56));
    log->WriteLog("a.nc failed: not a netCDF file", 0);

    EXPECT_EQ(FileContent(LogPath()), kHistory + ViewAsFile());
    EXPECT_EQ(Echoed, View.toPlainText().split(u'\n'));
}

TEST_F(ProcessingLogTest, RewritesDailyAtTheFirstEntryAfter0123UtcNextDay) {
    WriteHistory(LogPath());
    auto log = MakeLog(LogPath());
    const qint32 startDay = log->LastLogSaveDay();
    EXPECT_EQ(startDay, static_cast<qint32>(At(2025, 1, 21, 0, 0)));
    WriteLines(*log, 20);

    Clock = At(2025, 1, 22, 0, 0, 30);
    log->WriteLog("after midnight", 0);
    Clock = At(2025, 1, 22, 1, 23);
    log->WriteLog("at 01:23", 0);
    EXPECT_FALSE(Rewritten(LogPath()));
    EXPECT_EQ(log->LastLogSaveDay(), startDay);

    Clock = At(2025, 1, 22, 1, 23, 1);
    log->WriteLog("after 01:23", 0);
    EXPECT_EQ(FileContent(LogPath()), ViewAsFile());
    EXPECT_EQ(log->LastLogSaveDay(), startDay + 1);

    // Once a day only.
    WriteHistory(LogPath());
    Clock = At(2025, 1, 22, 23, 59);
    log->WriteLog("late", 0);
    EXPECT_FALSE(Rewritten(LogPath()));
}

TEST_F(ProcessingLogTest, ShortLogIsNeverRewrittenDaily) {
    WriteHistory(LogPath());
    auto log = MakeLog(LogPath());
    Clock = At(2025, 1, 23, 12, 0);
    WriteLines(*log, 16);
    EXPECT_FALSE(Rewritten(LogPath()));
    log->WriteLog("seventeenth", 0);
    EXPECT_EQ(FileContent(LogPath()), ViewAsFile());
}

TEST_F(ProcessingLogTest, EntriesAfterARewriteGoIntoTheNewFile) {
    auto log = MakeLog(LogPath());
    WriteLines(*log, 3);
    ASSERT_TRUE(log->Save().ok());
    WriteLines(*log, 2);
    EXPECT_EQ(FileContent(LogPath()), ViewAsFile());
    EXPECT_EQ(log->LineCount(), 5);
}

TEST_F(ProcessingLogTest, ALogFileRemovedWhileRunningIsCreatedAgainByTheNextEntry) {
    auto log = MakeLog(LogPath());
    WriteLines(*log, 3);
    ASSERT_TRUE(QFile::remove(LogPath()));
    log->WriteLog("after the removal", 0);
    EXPECT_EQ(FileContent(LogPath()), View.document()->lastBlock().text().toUtf8() + "\r\n");
}

TEST_F(ProcessingLogTest, AFailedRewriteLeavesTheOldFileWhole) {
    auto log = MakeLog(LogPath());
    WriteLines(*log, 40);
    const QByteArray before = FileContent(LogPath());
    View.appendPlainText("a line the file does not hold yet, so that the rewrite is longer");
    {
        FileSizeLimit full(before.size() + 10);
        const Status saved = log->Save();
        ASSERT_FALSE(saved.ok());
        EXPECT_EQ(saved.failure().code, FailureCode::CannotWrite);
        EXPECT_TRUE(saved.failure().message.contains("File too large"))
            << qPrintable(saved.failure().message);
    }
    EXPECT_EQ(FileContent(LogPath()), before);
    EXPECT_EQ(QDir(Folder.path()).entryList(QDir::Files | QDir::Hidden),
              QStringList{"Stratolux-process.log"});
}

TEST_F(ProcessingLogTest, ALineThatFindsTheDiskFullLeavesNoPartAndIsWrittenWhenThereIsRoom) {
    auto log = MakeLog(LogPath());
    WriteLines(*log, 5);
    const QByteArray before = FileContent(LogPath());
    {
        FileSizeLimit full(before.size() + 10);
        log->WriteLog("a line longer than the room left", 0);
        EXPECT_EQ(FileContent(LogPath()), before);
        log->WriteLog("another", 0);
        EXPECT_EQ(FileContent(LogPath()), before);
    }
    log->WriteLog("room again", 0);
    EXPECT_EQ(FileContent(LogPath()), ViewAsFile());
    EXPECT_EQ(log->LineCount(), 8);
}

TEST_F(ProcessingLogTest, FailedDailySaveIsRetriedWithTheNextEntry) {
    // A file where the log's folder should be makes every save fail.
    const QString blocker = Folder.filePath("station");
    WriteFile(blocker, "not a folder");
    const QString path = blocker + "/logs/Stratolux-process.log";
    auto log = MakeLog(path);
    const qint32 startDay = log->LastLogSaveDay();
    WriteLines(*log, 20);

    Clock = At(2025, 1, 22, 2, 0);
    log->WriteLog("first try", 0);
    EXPECT_FALSE(QFile::exists(path));
    EXPECT_EQ(log->LastLogSaveDay(), startDay);

    ASSERT_TRUE(QFile::remove(blocker));
    log->WriteLog("second try", 0);
    EXPECT_TRUE(FileContent(path).endsWith("second try\r\n"));
    EXPECT_EQ(log->LastLogSaveDay(), startDay + 1);
}

TEST_F(ProcessingLogTest, SaveAndLoadRoundTripWithCrLfAndTheMicroSign) {
    {
        auto log = MakeLog(LogPath());
        log->WriteLog("Processed  2025-01-21 2000  band B13 10.3 µm  thermal  at 75.2° W", 0);
        log->WriteLog("Skipped 160 MB file: a.nc", 0);
        ASSERT_TRUE(log->Save().ok());
    }
    const QByteArray bytes = FileContent(LogPath());
    EXPECT_FALSE(bytes.startsWith("\xEF\xBB\xBF"));
    EXPECT_TRUE(bytes.contains("10.3 \xC2\xB5m"));
    EXPECT_EQ(bytes.count("\r\n"), 2);
    EXPECT_EQ(bytes.count('\n'), 2);
    EXPECT_TRUE(bytes.endsWith("a.nc\r\n"));

    const QString saved = View.toPlainText();
    View.setPlainText("placeholder");
    auto log = MakeLog(LogPath());
    ASSERT_TRUE(log->Load());
    EXPECT_EQ(View.toPlainText(), saved);
    EXPECT_EQ(log->LineCount(), 2);

    // The next entry follows directly after the loaded ones.
    log->WriteLog("Starting", 0);
    EXPECT_EQ(log->LineCount(), 3);
}

TEST_F(ProcessingLogTest, LoadHonoursAByteOrderMarkAndKeepsTheViewWhenTheFileIsMissing) {
    QStringEncoder utf16(QStringConverter::Utf16LE, QStringConverter::Flag::WriteBom);
    WriteFile(LogPath(), utf16(QString("first 10.3 µm\r\nsecond\r\n")));
    auto log = MakeLog(LogPath());
    ASSERT_TRUE(log->Load());
    EXPECT_EQ(View.toPlainText(), "first 10.3 µm\nsecond");

    WriteFile(LogPath(), "lf only\nends\n");
    ASSERT_TRUE(log->Load());
    EXPECT_EQ(log->LineCount(), 2);

    auto missing = MakeLog(Folder.filePath("none-process.log"));
    EXPECT_FALSE(missing->Load());
    EXPECT_EQ(View.toPlainText(), "lf only\nends");
}

TEST_F(ProcessingLogTest, SessionEntriesAloneCreateNoFileAndTheFirstOtherEntryWritesTheWholeView) {
    auto log = MakeLog(LogPath());
    log->WriteSessionEntry("Starting Stratolux V1.0.0", Clock);
    log->WriteSessionEntry("Closing Stratolux V1.0.0", Clock);
    EXPECT_FALSE(QFile::exists(LogPath()));
    EXPECT_EQ(Echoed.size(), 2);

    log->WriteLog("a.nc failed: not a netCDF file", 0, LogSeverity::Failure);
    EXPECT_EQ(FileContent(LogPath()), ViewAsFile());
    log->WriteSessionEntry("Closing Stratolux V1.0.0", Clock);
    EXPECT_EQ(FileContent(LogPath()), ViewAsFile());
}

TEST_F(ProcessingLogTest, SessionEntriesGoIntoALogFileThatExists) {
    WriteHistory(LogPath());
    auto log = MakeLog(LogPath());
    log->WriteSessionEntry("Starting Stratolux V1.0.0", Clock);
    EXPECT_EQ(FileContent(LogPath()), kHistory + ViewAsFile());
}

TEST_F(ProcessingLogTest, LoadTakesOnlyTheLastLinesTheViewHolds) {
    constexpr int kFileLines = 30000;
    QString text;
    for (int i = 0; i < kFileLines; ++i) text += QString("2025-01-21 20:02:07      line %1 µm\r\n").arg(i);
    for (const auto encoding : {QStringConverter::Utf8, QStringConverter::Utf16LE}) {
        QStringEncoder encode(encoding, QStringConverter::Flag::WriteBom);
        WriteFile(LogPath(), encode(text));
        auto log = MakeLog(LogPath());
        ASSERT_TRUE(log->Load());
        EXPECT_EQ(log->LineCount(), ProcessingLog::kViewLines);
        EXPECT_TRUE(View.document()->firstBlock().text().endsWith(
            QString(" line %1 µm").arg(kFileLines - ProcessingLog::kViewLines)));
        EXPECT_TRUE(View.document()->lastBlock().text().endsWith(QString(" line %1 µm").arg(kFileLines - 1)));
    }
}

TEST(LogFileName, BesideTheProgramOnlyInItsBuildTreeElseInTheDataFolder) {
    QTemporaryDir folder;
    ASSERT_TRUE(QDir().mkpath(folder.filePath("build/src/app")));
    ASSERT_TRUE(QDir().mkpath(folder.filePath("build-other")));
    const QString tree = folder.filePath("build");
    const QString data = folder.filePath("data/g18");
    const std::pair<QString, QString> cases[] = {
        {tree + "/src/app/stratolux", tree + "/src/app/g18-process.log"},
        {tree + "/stratolux", tree + "/g18-process.log"},
        {folder.filePath("build-other/stratolux"), data + "/g18-process.log"},
        {"/usr/bin/stratolux", data + "/g18-process.log"},
    };
    for (const auto& [executable, expected] : cases)
        EXPECT_EQ(LogFileNameFor("g18", executable, tree, data), expected) << qPrintable(executable);
}

} // namespace
