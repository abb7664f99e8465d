// Stamped log entries, the line bound, the daily save and the log file.
#include "ProcessingLog.h"

#include "InstanceName.h"
#include "JournalStream.h"
#include "ScanReports.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QPlainTextEdit>
#include <QStandardPaths>
#include <QTextBlock>
#include <cmath>
#include <cstdio>
#include <utility>

namespace {

// A log is read by programs too: its stamps separate the time fields by ":" whatever the user's separator.
const QString kStampWithTime = QStringLiteral("yyyy-mm-dd hh\":\"nn\":\"ss.zzz  ");
const QString kStampWithoutTime = QStringLiteral("yyyy-mm-dd hh\":\"nn\":\"ss      ");

// A view holding more lines than this loses its oldest lines before the next entry.
constexpr int kMostLinesKept = ProcessingLog::kViewLines - 1;
constexpr int kLinesRemovedAtOnce = 499;
constexpr int kFewestLinesSavedDaily = 17;
// The daily save falls due 01:23 UTC on the day after the last save.
constexpr TDateTime kDailySaveDelay = 1.0 + 83.0 / (24 * 60);

// An entry is one line: line breaks inside its text become blanks.
QString OneLine(QString text) {
    for (QChar& c : text) {
        if (c == u'\n' || c == u'\r' || c == QChar::LineSeparator || c == QChar::ParagraphSeparator) c = u' ';
    }
    return text;
}

// The syslog priority that the journal reads at the start of a line.
const char* JournalPriority(LogSeverity severity) {
    switch (severity) {
    case LogSeverity::Failure:
        return "<3>";
    case LogSeverity::Warning:
        return "<4>";
    case LogSeverity::Info:
        break;
    }
    return "<6>";
}

// A failed file's line stands out in the view; every other line keeps the view's own colour, also when it
// follows a failed one. Colours the lines from first to last, both included, alike.
void ShowLinesKind(const QTextBlock& first, const QTextBlock& last, bool failed) {
    QTextCursor cursor(first);
    cursor.setPosition(last.position() + last.length() - 1, QTextCursor::KeepAnchor);
    QTextCharFormat format;
    if (failed) format.setForeground(ProcessingLog::FailedFileColour());
    cursor.setCharFormat(format);
}

bool IsWithin(const QString& path, const QString& folder) {
    const QString canonicalPath = QFileInfo(path).canonicalFilePath();
    const QString canonicalFolder = QFileInfo(folder).canonicalFilePath();
    return !canonicalPath.isEmpty() && !canonicalFolder.isEmpty() &&
           (canonicalPath == canonicalFolder || canonicalPath.startsWith(canonicalFolder + u'/'));
}

} // namespace

QString LogFileNameFor(const QString& instanceName, const QString& executablePath, const QString& buildTree,
                       const QString& dataFolder) {
    const QString executableFolder = QFileInfo(executablePath).absolutePath();
    const QString folder = IsWithin(executableFolder, buildTree) ? executableFolder : dataFolder;
    return QDir(folder).filePath(instanceName + "-process.log");
}

QString DefaultLogFileName() {
    // The per-user data folder is named after the application name, which the program sets to the instance.
    return LogFileNameFor(ProgramName(), QCoreApplication::applicationFilePath(),
                          QStringLiteral(STRATOLUX_BUILD_TREE),
                          QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation));
}

ProcessingLog::ProcessingLog(QPlainTextEdit& view, QString fileName, Clock clock, Echo echo)
    : View(view), File(std::move(fileName)), Now(std::move(clock)), EchoLine(std::move(echo)),
      LastSaveDay(static_cast<qint32>(std::floor(Now()))) {
    // The view holds the log and nothing more: its undo history would keep every line ever removed.
    View.setUndoRedoEnabled(false);
}

void ProcessingLog::WriteLog(const QString& text, TDateTime time, LogSeverity severity) {
    Write(text, time, severity, false);
}

void ProcessingLog::WriteSessionEntry(const QString& text, TDateTime time) {
    Write(text, time, LogSeverity::Info, true);
}

void ProcessingLog::Write(const QString& text, TDateTime time, LogSeverity severity, bool sessionEntry) {
    const TDateTime now = Now();
    if (LineCount() > kMostLinesKept) RemoveOldestLines(kLinesRemovedAtOnce);
    const QString stamp =
        time != 0 ? FormatDateTime(kStampWithTime, time) : FormatDateTime(kStampWithoutTime, now);
    const QString line = stamp + OneLine(text);
    View.appendPlainText(line);
    const QTextBlock written = View.document()->lastBlock();
    ShowLinesKind(written, written, IsFileFailureLine(written.text()));
    ScrollToEnd();
    StoreInFile(line, sessionEntry);
    EchoLine(line, severity);
    SaveDaily(now);
}

void ProcessingLog::WriteStandardOutputLine(const QString& line, LogSeverity severity) {
    static const bool toJournal = StandardOutputIsJournal();
    const QByteArray bytes = (toJournal ? JournalPriority(severity) : "") + line.toUtf8() + '\n';
    // Standard output may be closed or its reader gone; the log does not depend on it.
    if (std::fwrite(bytes.constData(), 1, bytes.size(), stdout) != static_cast<size_t>(bytes.size()) ||
        std::fflush(stdout) != 0)
        std::clearerr(stdout);
}

// A file that missed a line catches up with the view by a rewrite, so that no logged line stays missing.
void ProcessingLog::StoreInFile(const QString& line, bool sessionEntry) {
    if (sessionEntry && OnlySessionEntries && !File.Exists()) {
        FileWaiting = true;
        return;
    }
    if (!sessionEntry) OnlySessionEntries = false;
    const Status stored = FileWaiting || File.Behind() ? Save() : File.Append(line);
    static_cast<void>(stored); // said on standard error by the file; the line is in the view and the echo
}

void ProcessingLog::ScrollToEnd() {
    QTextCursor cursor = View.textCursor();
    cursor.movePosition(QTextCursor::End);
    cursor.movePosition(QTextCursor::StartOfBlock);
    View.setTextCursor(cursor);
    View.ensureCursorVisible();
}

bool ProcessingLog::Load() {
    const std::optional<QStringList> lines = File.ReadLastLines(kViewLines);
    if (!lines) return false;
    View.setPlainText(lines->join(u'\n'));
    // Failed lines that follow each other are coloured at once, and all in one edit, so that the view lays
    // the text out once rather than once a line.
    QTextCursor edit(View.document());
    edit.beginEditBlock();
    for (QTextBlock line = View.document()->begin(); line.isValid(); line = line.next()) {
        if (!IsFileFailureLine(line.text())) continue;
        const QTextBlock first = line;
        while (line.next().isValid() && IsFileFailureLine(line.next().text())) line = line.next();
        ShowLinesKind(first, line, true);
    }
    edit.endEditBlock();
    return true;
}

Status ProcessingLog::Save() {
    QStringList lines;
    if (LineCount() > 0) {
        lines.reserve(LineCount());
        for (QTextBlock line = View.document()->begin(); line.isValid(); line = line.next())
            lines << line.text();
    }
    Status saved = File.Rewrite(lines);
    if (saved) FileWaiting = false;
    return saved;
}

int ProcessingLog::LineCount() const {
    return View.document()->isEmpty() ? 0 : View.document()->blockCount();
}

void ProcessingLog::RemoveOldestLines(int count) {
    QTextCursor cursor(View.document());
    cursor.movePosition(QTextCursor::Start);
    cursor.movePosition(QTextCursor::NextBlock, QTextCursor::KeepAnchor, count);
    cursor.removeSelectedText();
}

void ProcessingLog::SaveDaily(TDateTime now) {
    if (now <= LastSaveDay + kDailySaveDelay || LineCount() < kFewestLinesSavedDaily) return;
    if (Save().ok()) LastSaveDay = static_cast<qint32>(std::floor(now));
}
