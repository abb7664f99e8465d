// Failed files benchmark: how long a scan takes when the source folder holds damaged files that stay, with
// the program's own pauses. The first scan reads every file; a later one, while the damaged files are
// unchanged, only reports them, so a good file that arrives behind them waits for its own processing alone.
//   failed_files_benchmark SAMPLE_FILE WORK_FOLDER [DAMAGED_FILES]
#include "BenchMain.h"
#include "BenchOptions.h"
#include "ScanWorker.h"
#include "Timing.h"
#include "Verdict.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QSignalSpy>
#include <cstdio>

namespace {

// The sample's bytes with eight bytes of the root group's object header inverted: a file the reader refuses.
QByteArray Damaged(QByteArray bytes) {
    const qsizetype header = bytes.indexOf("OHDR");
    for (qsizetype i = header + 12; header > 0 && i < header + 20; ++i)
        bytes[i] = static_cast<char>(~bytes[i]);
    return bytes;
}

bool Write(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.flush();
}

// A received name of band 13 for the n-th scan slot of a day.
QString NameOfSlot(int slot) {
    return QStringLiteral("OR_ABI-L1b-RadF-M6C13_G16_s2025021%1%2000_e1_c1.nc")
        .arg(slot / 60 % 24, 2, 10, QChar(u'0'))
        .arg(slot % 60, 2, 10, QChar(u'0'));
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const BenchArguments args(argc, argv, "SAMPLE_FILE WORK_FOLDER [DAMAGED_FILES]");
    if (args.Count() < 2) return args.Usage();
    const int damagedCount = args.NumberOr(3, 150);
    QDir work(args[2]);
    work.removeRecursively();
    ProcessingOptions options = BenchmarkOptions(work);
    options.waits = ProcessingWaits();
    options.waits.settling = std::chrono::milliseconds(0); // the files are written just now
    QDir().mkpath(options.sourcePath);

    QFile sample(args[1]);
    if (!sample.open(QIODevice::ReadOnly)) return 1;
    const QByteArray good = sample.readAll();
    const QByteArray damaged = Damaged(good);
    for (int slot = 0; slot < damagedCount; ++slot)
        if (!Write(options.sourcePath + NameOfSlot(slot), damaged)) return 1;

    SharedOptions shared;
    shared.Publish(options);
    const std::atomic_bool running{true};
    ScanWorker worker(shared, running);
    QSignalSpy reports(&worker, &ScanWorker::FileReported);
    const auto scanWithANewGoodFile = [&](int slot) {
        Write(options.sourcePath + NameOfSlot(slot), good);
        reports.clear();
        return Seconds([&] { worker.RunScan(); });
    };
    const double first = scanWithANewGoodFile(damagedCount);
    const double later = scanWithANewGoodFile(damagedCount + 1);
    std::printf("%d damaged files and one good file, the program's pauses:\n", damagedCount);
    std::printf("  first scan (reads every file, as every scan did before)   %8.1f s\n", first);
    std::printf("  later scan (the damaged files only reported)              %8.1f s\n", later);
    std::printf("  lines per scan: %lld\n", static_cast<long long>(reports.size()));
    Verdict verdict;
    // The good file alone: the pause before its read, its read and its saves.
    verdict.Check("later scan, seconds", later, 10.0);
    return verdict.failures == 0 ? 0 : 1;
}
