// The time from a received file's close to its PNG being published, for the program as a station runs it
// (headless, its own reader), with the source folder watched and with only the 50 s cycle. Each file is
// written into the source folder, as a receiver writes it, 20 s after the scan before it ended.
//
//   watch_latency_benchmark PROGRAM FILE WORK RUNS
#include "BenchMain.h"
#include "Timing.h"
#include "Verdict.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QThread>
#include <chrono>
#include <cstdio>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

constexpr double kTargetSeconds = 4.0; // with the watch, band 13
constexpr unsigned long kAfterScanSeconds = 20;
constexpr auto kPatience = std::chrono::minutes(5);

// The program under one instance of its own in WORK, headless, its log read from its standard output.
class Station {
public:
    Station(const QString& program, const QString& work, bool watch) : work_(work) {
        QDir(work).removeRecursively();
        for (const char* folder : {"received", "images", "config/Nimbrel", "run", "data"})
            QDir().mkpath(QDir(work).filePath(folder));
        QFile(QDir(work).filePath("run"))
            .setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        QFile settings(QDir(work).filePath("config/Nimbrel/watch-latency.conf"));
        if (!settings.open(QIODevice::WriteOnly)) return;
        settings.write("[General]\nSourcePath=" + Folder("received").toUtf8() +
                       "\nSavePath=" + Folder("images").toUtf8() +
                       "\nBandsSelected=B01,B02,B03,B04,B05,B06,B07,B08,B09,B10,B11,B12,B13,B14,B15,B16"
                       "\nSaveAsPNG=1\nSaveAsJPEG=0\nDatesInFolders=0\nWatchSourceFolder=" +
                       QByteArray(watch ? "1" : "0") + "\n");
        settings.close();
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("XDG_CONFIG_HOME", QDir(work).filePath("config"));
        environment.insert("XDG_RUNTIME_DIR", QDir(work).filePath("run"));
        environment.insert("XDG_DATA_HOME", QDir(work).filePath("data"));
        environment.insert("QT_QPA_PLATFORM", "offscreen");
        process_.setProcessEnvironment(environment);
        process_.setProcessChannelMode(QProcess::MergedChannels);
        process_.start(program, {"--instance", "watch-latency", "-start"});
        // Without an event loop the process is seen running only once waited for.
        process_.waitForStarted();
    }
    ~Station() {
        process_.terminate();
        process_.waitForFinished(60000);
        QFile::remove(QFileInfo(process_.program()).dir().filePath("watch-latency-process.log"));
    }

    QString Folder(const QString& name) const { return QDir(work_).filePath(name) + "/"; }

    // Waits for the count-th "Processed" line since the start; false when it does not come.
    bool WaitForProcessed(int count) {
        const auto deadline = Clock::now() + kPatience;
        while (log_.count(" Processed ") < count) {
            if (Clock::now() > deadline || process_.state() != QProcess::Running) return false;
            process_.waitForReadyRead(100);
            log_ += process_.readAll();
        }
        return true;
    }

private:
    QString work_;
    QProcess process_;
    QByteArray log_;
};

// Writes the bytes into the folder under name as a receiver does, and gives the moment it closed the file.
Clock::time_point Receive(const QByteArray& bytes, const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size()) return {};
    file.close();
    return Clock::now();
}

// The seconds from each close to the PNG's appearance, for `runs` files, or none when one never came.
std::vector<double> Latencies(const QString& program, const QString& original, const QString& work,
                              bool watch, int runs) {
    QFile source(original);
    if (!source.open(QIODevice::ReadOnly)) return {};
    const QByteArray bytes = source.readAll();
    Station station(program, work, watch);
    const QString received = station.Folder("received") + QFileInfo(original).fileName();
    std::vector<double> seconds;
    for (int run = 1; run <= runs; ++run) {
        // A scan that has just ended: the first one, over an empty folder, or the one that took the last
        // file.
        if (run == 1)
            QThread::msleep(1000);
        else if (!station.WaitForProcessed(run - 1))
            return {};
        QThread::sleep(kAfterScanSeconds);
        for (const QFileInfo& image : QDir(station.Folder("images")).entryInfoList({"*.png"}))
            QFile::remove(image.filePath());
        const Clock::time_point closed = Receive(bytes, received);
        const auto deadline = Clock::now() + kPatience;
        while (QDir(station.Folder("images")).entryList({"*.png"}).isEmpty()) {
            if (Clock::now() > deadline) return {};
            QThread::msleep(5);
        }
        seconds.push_back(std::chrono::duration<double>(Clock::now() - closed).count());
        std::printf("    run %d: %.2f s\n", run, seconds.back());
        std::fflush(stdout);
    }
    return seconds;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const BenchArguments arguments(argc, argv, "PROGRAM FILE WORK RUNS");
    if (arguments.Count() != 4) return arguments.Usage();
    const QString program = arguments[1], file = arguments[2], work = arguments[3];
    const int runs = arguments.NumberOr(4, 3);
    const bool band13 = QFileInfo(file).fileName().contains("C13_");

    Verdict verdict;
    std::printf("  %s\n", qPrintable(QFileInfo(file).fileName()));
    for (const bool watch : {false, true}) {
        std::printf("  %s:\n", watch ? "watched (WatchSourceFolder=1)" : "the 50 s cycle only");
        const std::vector<double> seconds =
            Latencies(program, file, QDir(work).filePath(watch ? "w" : "c"), watch, runs);
        if (seconds.empty()) {
            std::printf("  no PNG within %lld min\n", static_cast<long long>(kPatience.count()));
            ++verdict.failures;
            continue;
        }
        if (watch && band13)
            verdict.Check("close to PNG published, median (s)", Median(seconds), kTargetSeconds);
        else
            std::printf("  %-52s %8.3f\n", "close to PNG published, median (s)", Median(seconds));
    }
    return verdict.failures == 0 ? 0 : 1;
}
