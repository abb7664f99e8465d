// The processing log: time-stamped entries in the window's log view, bounded to 10 000 lines, and the log
// file that the view is saved to once a day after 01:23 UTC and at closing, and loaded from at start.
#pragma once

#include "DateTime.h"
#include "Utils.h"

#include <QString>
#include <functional>

class QPlainTextEdit;

// "<program name>-process.log" in the executable's folder when that folder is writable, otherwise in
// fallbackFolder (the per-user data folder).
QString LogFileNameFor(const QString& executablePath, const QString& fallbackFolder);
// The log file of the running program.
QString DefaultLogFileName();

class ProcessingLog {
public:
    using Clock = std::function<TDateTime()>;

    // Neither owns the view nor touches its content; LastLogSaveDay starts as today (UTC).
    ProcessingLog(QPlainTextEdit& view, QString fileName, Clock clock = UtcNow);

    // Appends "stamp + text": time (UTC) to the millisecond, or, when time is 0, the current time to the
    // second. Removes the 499 oldest lines first when the view holds 10 000, and saves the file daily.
    void WriteLog(const QString& text, TDateTime time);

    // Caret to the start of the newest entry, scrolled into view, no selection.
    void ScrollToEnd();

    // Replaces the view's content with the log file. False, leaving the view as it was, when the file is
    // missing or unreadable.
    bool Load();
    // Writes every line of the view to the log file (UTF-8, CR LF), replacing it whole; false on failure.
    bool Save();

    int LineCount() const;
    const QString& FileName() const { return LogFileName; }
    qint32 LastLogSaveDay() const { return LastSaveDay; }

private:
    void RemoveOldestLines(int count);
    void SaveDaily(TDateTime now);

    QPlainTextEdit& View;
    const QString LogFileName;
    const Clock Now;
    qint32 LastSaveDay;
};
