// A child process that runs one scan over a folder with PNG and JPEG output, to be killed at random moments
// or run under another account; it prints the line of every file that failed.
#include "ScanReports.h"
#include "ScanWorker.h"

#include <QCoreApplication>
#include <cstdio>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    // source, netCDF and image folders, and "no-archive" to keep no archive copy.
    if (args.size() != 4 && !(args.size() == 5 && args[4] == "no-archive")) return 2;
    ProcessingOptions options;
    options.sourcePath = args[1];
    options.netCdfPath = args[2];
    options.savePath = args[3];
    options.bandsSelected.fill(true);
    options.saveAsPng = true;
    options.saveAsNetCdf = args.size() == 4;
    options.waits = ProcessingWaits::None();
    options.reader.program = READER_PROGRAM;
    SharedOptions shared;
    shared.Publish(options);
    const std::atomic_bool running{true};
    ScanWorker worker(shared, running);
    QObject::connect(&worker, &ScanWorker::FileReported, [](const FileOutcome& outcome) {
        if (const std::optional<QString> line = FailureLine(outcome)) std::puts(qPrintable(*line));
    });
    worker.RunScan();
    return 0;
}
