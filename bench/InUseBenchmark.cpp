// In-use benchmark: what the look through /proc for another program writing a received file costs, once per
// file of a scan, with PROCESSES more processes running (default 300), each holding three files open, two
// of them for writing. The file looked for is held by nobody, so every descriptor of every process is looked
// at.
//   in_use_benchmark WORK_FOLDER [PROCESSES] [RUNS]
#include "BenchMain.h"
#include "Timing.h"

#include "Utils.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <vector>

namespace {

// Counts the descriptors under /proc that this process can look at, and the processes they belong to.
std::pair<int, int> VisibleDescriptors() {
    int processes = 0, descriptors = 0;
    for (const QString& pid : QDir("/proc").entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        bool number = false;
        pid.toLong(&number);
        if (!number) continue;
        ++processes;
        descriptors += static_cast<int>(QDir("/proc/" + pid + "/fd").entryList(QDir::System).size());
    }
    return {processes, descriptors};
}

// PROCESSES sleeping processes started by one shell, each holding the three files open; ended by their ids.
class Holders {
public:
    Holders(const QString& folder, int count) {
        shell_.start(
            "sh", {"-c",
                   "for i in $(seq \"$1\"); do sleep 600 3<\"$2/a\" 4>>\"$2/b\" 5<>\"$2/c\" & echo $!; done; "
                   "wait",
                   "sh", QString::number(count), folder});
        while (static_cast<int>(pids_.size()) < count && shell_.waitForReadyRead(10000))
            while (shell_.canReadLine()) pids_.push_back(shell_.readLine().trimmed().toLongLong());
    }
    ~Holders() {
        for (const qint64 pid : pids_) ::kill(static_cast<pid_t>(pid), SIGTERM);
        shell_.waitForFinished(10000);
    }
    int Count() const { return static_cast<int>(pids_.size()); }

private:
    QProcess shell_;
    std::vector<qint64> pids_;
};

struct LookCost {
    double wallMs;      // median
    double processorMs; // mean: on a busy machine the wall time also counts the waits for a core
};

LookCost CostOfLooking(const QString& file, int runs) {
    bool held = false;
    const double processorBefore = ProcessorSeconds();
    const double seconds = MedianSeconds(runs, [&] { held = HeldOpenForWriting(file) || held; });
    const double processor = ProcessorSeconds() - processorBefore;
    if (held) std::fprintf(stderr, "the file looked for was found held\n");
    return {seconds * 1000, processor * 1000 / runs};
}

void Print(const QString& what, const std::pair<int, int>& visible, const LookCost& cost) {
    std::printf("  %-22s %5d processes, %6d descriptors: %7.2f ms (processor %6.2f ms)\n", qPrintable(what),
                visible.first, visible.second, cost.wallMs, cost.processorMs);
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const BenchArguments args(argc, argv, "WORK_FOLDER [PROCESSES] [RUNS]");
    if (args.Count() < 1) return args.Usage();
    const QString folder = args[1];
    const int count = args.NumberOr(2, 300);
    const int runs = args.NumberOr(3, 21);
    QDir().mkpath(folder);
    for (const char* name : {"a", "b", "c", "received.nc"}) {
        QFile file(QDir(folder).filePath(name));
        if (!file.open(QIODevice::WriteOnly) || file.write("x") != 1) {
            std::fprintf(stderr, "cannot write into %s\n", qPrintable(folder));
            return 1;
        }
    }
    const QString received = QDir(folder).filePath("received.nc");

    Print("as the machine runs:", VisibleDescriptors(), CostOfLooking(received, runs));
    const Holders holders(folder, count);
    if (holders.Count() != count) {
        std::fprintf(stderr, "started %d of %d processes\n", holders.Count(), count);
        return 1;
    }
    Print(QStringLiteral("with %1 more:").arg(count), VisibleDescriptors(), CostOfLooking(received, runs));
    return 0;
}
