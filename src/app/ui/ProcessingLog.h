// The processing log: time-stamped entries in the window's log view, bounded to 10 000 lines, echoed to
// standard output, and appended to the log file as they are written. The file is rewritten with the view's
// lines once a day after 01:23 UTC and at closing, and its last lines are loaded into the view at start.
#pragma once

#include "DateTime.h"
#include "LogFile.h"
#include "LogLine.h"
#include "Utils.h"

#include <QColor>
#include <QString>
#include <functional>

class QPlainTextEdit;

// "<instance name>-process.log" beside the executable when it runs from its build tree, otherwise in
// dataFolder (the instance's per-user data folder): an installed program never writes beside itself.
QString LogFileNameFor(const QString& instanceName, const QString& executablePath, const QString& buildTree,
                       const QString& dataFolder);
// The log file of the running instance.
QString DefaultLogFileName();

class ProcessingLog {
public:
    using Clock = std::function<TDateTime()>;
    // Receives every line as it is logged, stamp included.
    using Echo = std::function<void(const QString& line, LogSeverity severity)>;

    // The most lines the view holds.
    static constexpr int kViewLines = 10000;
    // The colour of a failed file's line in the view (IsFileFailureLine, ScanReports.h); the text is the
    // same.
    static QColor FailedFileColour() { return QColor(139, 0, 0); }

    // Neither owns the view nor touches its content; LastLogSaveDay starts as today (UTC).
    ProcessingLog(QPlainTextEdit& view, QString fileName, Clock clock = UtcNow,
                  Echo echo = WriteStandardOutputLine);

    // Appends "stamp + text" to the view, the echo and the file: time (UTC) to the millisecond, or, when time
    // is 0, the current time to the second. A failed file's line is shown in FailedFileColour. Removes the
    // 499 oldest lines first when the view holds 10 000, and rewrites the file daily.
    void WriteLog(const QString& text, TDateTime time, LogSeverity severity = LogSeverity::Info);
    // The starting and the closing entry. Written as WriteLog does, except that they alone never create a
    // log file: while none exists and the view holds nothing else, the file waits for another entry, which
    // then creates it with the whole view. So a run that is only started and closed leaves no file.
    void WriteSessionEntry(const QString& text, TDateTime time);

    // Caret to the start of the newest entry, scrolled into view, no selection.
    void ScrollToEnd();

    // Replaces the view's content with the last lines of the log file, as many as the view holds, failed
    // files' lines in their colour. False,
    // leaving the view as it was, when the file is missing or unreadable.
    bool Load();
    // Replaces the log file by every line of the view.
    Status Save();

    int LineCount() const;
    const QString& FileName() const { return File.FileName(); }
    qint32 LastLogSaveDay() const { return LastSaveDay; }

    // The line on standard output, so that a service manager's journal holds the log; when standard output
    // is the journal, the line begins with its syslog priority: <3> failure, <4> warning, <6> otherwise.
    static void WriteStandardOutputLine(const QString& line, LogSeverity severity);

private:
    void Write(const QString& text, TDateTime time, LogSeverity severity, bool sessionEntry);
    void RemoveOldestLines(int count);
    void StoreInFile(const QString& line, bool sessionEntry);
    void SaveDaily(TDateTime now);

    QPlainTextEdit& View;
    LogFile File;
    const Clock Now;
    const Echo EchoLine;
    qint32 LastSaveDay;
    // No entry but the starting and closing ones has been written yet.
    bool OnlySessionEntries = true;
    // The view holds entries that the file, not yet created, lacks.
    bool FileWaiting = false;
};
