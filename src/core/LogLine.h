// A line for the processing log and how much it matters. The log shows every line alike; the journal files
// failures and warnings under their own priorities, so that an operator can ask it for those alone.
#pragma once

#include <QMetaType>
#include <QString>

enum class LogSeverity {
    Failure, // a file or a step failed: "<name> failed: <reason>"
    Warning, // something the operator should look at: a file not deleted, a folder or setting problem
    Info,    // everything else
};

struct LogLine {
    QString text;
    LogSeverity severity = LogSeverity::Info;

    bool operator==(const LogLine&) const = default;
};

Q_DECLARE_METATYPE(LogLine)
