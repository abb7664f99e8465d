// The processing log: time-stamped entries in the window's log view, bounded to 10 000 lines, echoed to
// standard output, and appended to the log file as they are written. The file is rewritten with the view's
// lines once a day after 01:23 UTC and at closing, and loaded into the view at start.
#pragma once

#include "DateTime.h"
#include "LogFile.h"
#include "Utils.h"

#include <QString>
#include <functional>

class QPlainTextEdit;

// "<instance name>-process.log" in the executable's folder when that folder is writable, otherwise in
// fallbackFolder (the instance's per-user data folder).
QString LogFileNameFor(const QString& instanceName, const QString& executableFolder,
                       const QString& fallbackFolder);
// The log file of the running instance.
QString DefaultLogFileName();

class ProcessingLog {
public:
    using Clock = std::function<TDateTime()>;
    // Receives every line as it is logged, stamp included.
    using Echo = std::function<void(const QString& line)>;

    // Neither owns the view nor touches its content; LastLogSaveDay starts as today (UTC).
    ProcessingLog(QPlainTextEdit& view, QString fileName, Clock clock = UtcNow,
                  Echo echo = WriteStandardOutputLine);

    // Appends "stamp + text" to the view, the echo and the file: time (UTC) to the millisecond, or, when time
    // is 0, the current time to the second. Removes the 499 oldest lines first when the view holds 10 000,
    // and rewrites the file daily.
    void WriteLog(const QString& text, TDateTime time);

    // Caret to the start of the newest entry, scrolled into view, no selection.
    void ScrollToEnd();

    // Replaces the view's content with the log file. False, leaving the view as it was, when the file is
    // missing or unreadable.
    bool Load();
    // Replaces the log file by every line of the view.
    Status Save();

    int LineCount() const;
    const QString& FileName() const { return File.FileName(); }
    qint32 LastLogSaveDay() const { return LastSaveDay; }

    // The line on standard output, so that a service manager's journal holds the log.
    static void WriteStandardOutputLine(const QString& line);

private:
    void RemoveOldestLines(int count);
    void StoreInFile(const QString& line);
    void SaveDaily(TDateTime now);

    QPlainTextEdit& View;
    LogFile File;
    const Clock Now;
    const Echo EchoLine;
    qint32 LastSaveDay;
};
