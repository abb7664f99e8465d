// The processing log over months of running:
//   memory LINES            resident memory of the real window while its log view takes LINES more lines once
//                           it is full (target: flat within 1 MB)
//   start PROGRAM MB RUNS   the program's start (to its starting entry) and its resident memory then, with a
//                           log file of MB megabytes beside it against none (targets: under 1 s, under 50 MB
//                           more), and its stop after SIGTERM
#include "BenchMain.h"
#include "PeakMemory.h"
#include "ProcessingLog.h"
#include "StratoluxForm.h"
#include "TemporaryStore.h"
#include "Timing.h"
#include "Verdict.h"
#include "WindowParts.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <cstdio>
#include <fstream>
#include <string>

namespace {

constexpr double kMegabyte = 1024.0 * 1024.0;
constexpr int kWaitMs = 120000;

// A failed file's line, as long as the log's usual lines.
QString FailedLine(int i) {
    return QStringLiteral("OR_ABI-L1b-RadF-M6C13_G16_s2025021%1_e20250212009512_c20250212009563.nc failed: "
                          "still being written, retried at the next scan")
        .arg(i, 7, 10, QChar(u'0'));
}

int Memory(int lines) {
    TTemporaryStore store;
    const QTemporaryDir folder;
    TFormStratolux form({}, folder.filePath("window-process.log"));
    form.show();
    const WindowParts window(form);
    window.pages->setCurrentWidget(window.log);
    ProcessingLog log(*window.log, folder.filePath("bench-process.log"), UtcNow,
                      [](const QString&, LogSeverity) {});
    int written = 0;
    const auto write = [&](int count) {
        for (int i = 0; i < count; ++i, ++written) {
            log.WriteLog(FailedLine(written), 0, LogSeverity::Failure);
            if (written % 100 == 0) QCoreApplication::processEvents();
        }
        QCoreApplication::processEvents();
    };
    // The view full, and once round its bound, before the measurement starts.
    write(2 * ProcessingLog::kViewLines);
    const long long before = ResidentBytesNow();
    std::printf("  resident after %d lines: %.1f MB\n", written, before / kMegabyte);
    constexpr int kSteps = 5;
    for (int step = 0; step < kSteps; ++step) {
        write(lines / kSteps);
        std::printf("  resident after %d lines: %.1f MB (view %d lines)\n", written,
                    ResidentBytesNow() / kMegabyte, log.LineCount());
    }
    Verdict verdict;
    verdict.Check("resident memory added by the lines, MB", (ResidentBytesNow() - before) / kMegabyte, 1.0);
    return verdict.failures;
}

long long ResidentBytesOf(qint64 pid, const char* key) {
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    std::string name;
    long long kilobytes = 0;
    while (status >> name) {
        if (name == key && status >> kilobytes) return kilobytes * 1024;
        status.ignore(1 << 10, '\n');
    }
    return -1;
}

struct StartFigures {
    double startSeconds = -1;
    double residentMb = -1;
    double peakMb = -1;
    double stopSeconds = -1;
};

void WriteLogFile(const QString& path, qint64 megabytes) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) return;
    QByteArray block;
    for (int i = 0; block.size() < 4 * kMegabyte; ++i)
        block += "2025-01-21 20:02:07      " + FailedLine(i).toUtf8() + "\r\n";
    while (file.size() < megabytes * kMegabyte) file.write(block);
}

// Starts the program, waits for its starting entry on standard output, reads its memory, stops it.
StartFigures StartAndStop(const QString& program, const QString& instance, const QTemporaryDir& home) {
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("XDG_CONFIG_HOME", home.filePath("config"));
    environment.insert("XDG_RUNTIME_DIR", home.filePath("run"));
    environment.insert("XDG_DATA_HOME", home.filePath("data"));
    environment.insert("QT_QPA_PLATFORM", "offscreen");
    process.setProcessEnvironment(environment);
    StartFigures figures;
    QElapsedTimer clock;
    clock.start();
    process.start(program, {"--instance", instance});
    QByteArray output;
    while (!output.contains(" Starting ") && process.waitForReadyRead(kWaitMs))
        output += process.readAllStandardOutput();
    if (!output.contains(" Starting ")) return figures;
    figures.startSeconds = clock.elapsed() / 1000.0;
    figures.residentMb = ResidentBytesOf(process.processId(), "VmRSS:") / kMegabyte;
    figures.peakMb = ResidentBytesOf(process.processId(), "VmHWM:") / kMegabyte;
    clock.restart();
    process.terminate();
    if (process.waitForFinished(kWaitMs)) figures.stopSeconds = clock.elapsed() / 1000.0;
    return figures;
}

int Start(const QString& program, qint64 megabytes, int runs) {
    const QTemporaryDir home;
    QDir().mkpath(home.filePath("run"));
    const QString instance = QStringLiteral("logbench-%1").arg(QCoreApplication::applicationPid());
    // The program runs from its build tree, so its log lies beside it.
    const QString logFile = QFileInfo(program).dir().filePath(instance + "-process.log");
    const auto measure = [&](bool withLog) {
        std::vector<double> start, resident, peak, stop;
        for (int run = 0; run < runs; ++run) {
            QFile::remove(logFile);
            if (withLog) WriteLogFile(logFile, megabytes);
            const StartFigures figures = StartAndStop(program, instance, home);
            start.push_back(figures.startSeconds);
            resident.push_back(figures.residentMb);
            peak.push_back(figures.peakMb);
            stop.push_back(figures.stopSeconds);
        }
        QFile::remove(logFile);
        return StartFigures{Median(start), Median(resident), Median(peak), Median(stop)};
    };
    const StartFigures none = measure(false);
    const StartFigures large = measure(true);
    std::printf("  median of %d runs      start s  resident MB  peak MB  stop s\n", runs);
    for (const auto& [name, f] : {std::pair("no log file", none), std::pair("log file", large)})
        std::printf("  %-20s %8.3f %12.1f %8.1f %7.3f\n", name, f.startSeconds, f.residentMb, f.peakMb,
                    f.stopSeconds);
    Verdict verdict;
    verdict.Check("start with the large log file, s", large.startSeconds < 0 ? 1e9 : large.startSeconds, 1.0);
    verdict.Check("resident memory added by the log file, MB", large.residentMb - none.residentMb, 50.0);
    return verdict.failures;
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const BenchArguments args(argc, argv, "memory LINES | start PROGRAM MB RUNS");
    if (args.Count() == 2 && args[1] == "memory") return Memory(args[2].toInt());
    if (args.Count() == 4 && args[1] == "start") return Start(args[2], args[3].toLongLong(), args[4].toInt());
    return args.Usage();
}
