// The processing log's file: UTF-8 lines ended by CR LF. Each line is appended and handed to the system as it
// is written, so a killed program loses none; a rewrite replaces the whole file through a temporary file and
// a rename, so a rewrite that fails (a full disk) leaves the old file whole. A file that cannot be written
// is said once on standard error; the program goes on without it.
#pragma once

#include "Failure.h"

#include <QFile>
#include <QString>
#include <QStringList>
#include <optional>

// "Stratolux: <text>" on standard error, for what the operator must hear even where no log is read.
void SayOnStandardError(const QString& text);

class LogFile {
public:
    explicit LogFile(QString fileName);

    const QString& FileName() const { return fileName_; }

    // The file's last lines, at most lineCount, decoded by its byte-order mark (UTF-8 without one). Only the
    // end of the file that holds them is read, however long the file has grown. Nothing when the file is
    // missing or unreadable.
    std::optional<QStringList> ReadLastLines(int lineCount) const;

    bool Exists() const;

    // Appends the line. A line that cannot be written whole leaves the file as it was before it.
    Status Append(const QString& line);

    // Replaces the file by these lines.
    Status Rewrite(const QStringList& lines);

    // True from a failed append until the next rewrite: the file lacks lines that were logged.
    bool Behind() const { return behind_; }

private:
    Status OpenForAppending();
    // Platform part: false once a rewrite or a removal has put another file, or none, under the name.
    bool AppendingToTheNamedFile() const;
    // Says on standard error when the file stops or starts again being written.
    Status Outcome(Status status);

    const QString fileName_;
    QFile appending_;
    bool behind_ = false;
    bool failing_ = false;
};
