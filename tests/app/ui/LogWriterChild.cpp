// A child process that logs through the processing log and then waits to be killed: first a time of day
// in the user's format, then "line 1" … "line N", whose severities go round information, warning, failure.
#include "ProcessingLog.h"

#include <QApplication>
#include <QPlainTextEdit>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() != 3) return 2;
    QPlainTextEdit view;
    ProcessingLog log(view, args[1]);
    log.WriteLog("caption " + FormatDateTime("hh:nn:ss", EncodeDateTime({2025, 1, 21, 20, 2, 4})), 0);
    const int count = args[2].toInt();
    constexpr LogSeverity kSeverities[] = {LogSeverity::Info, LogSeverity::Warning, LogSeverity::Failure};
    for (int i = 1; i <= count; ++i) log.WriteLog(QString("line %1").arg(i), 0, kSeverities[(i - 1) % 3]);
    return app.exec();
}
