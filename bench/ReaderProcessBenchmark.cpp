// The cost of reading each received file in a process of its own:
//   overhead FILE RUNS      time of the reader in its own process, started ahead as processing starts it,
//                           against the reader in the program
//   peak FILE WORKFOLDER    peak memory of the program and its reader process together for one file taken
//                           through processing (PNG + JPEG), pages shared by both counted once
//   rss FILE WORKFOLDER N   the program's resident memory after each of N processed copies of FILE, against
//                           the reader in the program reading FILE N times
#include "AbiBitmap.h"
#include "BMPExtImage.h"
#include "BenchMain.h"
#include "BenchOptions.h"
#include "FileProcessor.h"
#include "ImageFiles.h"
#include "PeakMemory.h"
#include "ReaderProcess.h"
#include "ReceivedFile.h"
#include "Timing.h"
#include "Verdict.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <cstdio>
#include <optional>
#include <thread>

namespace {

const ReaderProcessSettings kReader{READER_PROGRAM};

// The reader in the program against the reader in its own process, each as processing runs it: after the
// pause in which a received file settles, the reader's process started before that pause, so that the
// conversion waits only for the read itself. Also both back to back without a pause (the process then
// started and asked at once), and the processor time of each, the reader's own counted in. The time added
// is set against a whole conversion, the file read and converted and its PNG and JPEG saved, as abiconvert
// makes it, and against the read and conversion alone.
int Overhead(const QString& file, int runs) {
    const QTemporaryDir work;
    const auto saveBoth = [&](const TExtBitmap& bitmap) {
        if (!SavePngImage(bitmap, work.filePath("image.png"), 0, 0) ||
            !SaveJpegImage(bitmap, work.filePath("image.jpg"), 99, 0))
            std::printf("  save failed\n");
    };
    TExtBitmap image;
    image.SetPixelFormat(TPixelFormat::pf8bit);
    float imageLongitude = 0;
    (void)ReadAbiImage(AbiReadRequest::ByName(file), image, imageLongitude);
    double pixels = 0;
    const auto readInProgram = [&] {
        TExtBitmap bitmap;
        bitmap.SetPixelFormat(TPixelFormat::pf8bit);
        float longitude = 0;
        if (!ReadAbiImage(AbiReadRequest::ByName(file), bitmap, longitude)) std::printf("  read failed\n");
        pixels = double(bitmap.Width()) * bitmap.Height();
    };
    const auto readIsolated = [&](ReaderProcess& reader) {
        TExtBitmap bitmap;
        bitmap.SetPixelFormat(TPixelFormat::pf8bit);
        float longitude = 0;
        AbiCompleteness completeness;
        if (const Status read = reader.Read(AbiReadRequest::ByName(file), bitmap, longitude, completeness);
            !read)
            std::printf("  isolated read failed: %s\n", qPrintable(read.failure().message));
    };
    const auto pause = ProcessingWaits().beforeRead;
    // Times a step as processing waits for it; the processor time also counts what comes before it (the
    // pause, the reader's start) and after it (the reader ending while the image would be saved).
    struct Figures {
        std::vector<double> seconds, processor;
        void Add(const std::function<void()>& before, const std::function<void()>& step,
                 const std::function<void()>& after) {
            const double processorBefore = ProcessorSeconds();
            before();
            seconds.push_back(Seconds(step));
            after();
            processor.push_back(ProcessorSeconds() - processorBefore);
        }
    } inProgram, isolated, inProgramAtOnce, isolatedAtOnce, saves;
    const auto nothing = [] {};
    const auto settle = [&] { std::this_thread::sleep_for(pause); };
    std::optional<Result<ReaderProcess>> reader;
    const auto endReader = [&] { reader.reset(); };
    for (int i = 0; i < runs; ++i) {
        saves.Add(
            nothing, [&] { saveBoth(image); }, nothing);
        inProgram.Add(settle, readInProgram, nothing);
        isolated.Add(
            [&] {
                reader.emplace(ReaderProcess::Start(kReader));
                settle();
            },
            [&] { readIsolated(**reader); }, endReader);
        inProgramAtOnce.Add(nothing, readInProgram, nothing);
        isolatedAtOnce.Add(
            nothing,
            [&] {
                reader.emplace(ReaderProcess::Start(kReader));
                readIsolated(**reader);
            },
            endReader);
    }
    const auto row = [](const char* what, const Figures& figures) {
        std::printf("  %-58s %.3f s, processor %.3f s\n", what, Median(figures.seconds),
                    Median(figures.processor));
    };
    std::printf("  %.1f Mpixel, medians of %d runs; processor time of both processes:\n", pixels / 1e6, runs);
    std::printf("  after the %.1f s pause:\n", pause.count() / 1000.0);
    row("read + convert in the program", inProgram);
    row("in its own process, started before the pause", isolated);
    std::printf("  back to back, no pause:\n");
    row("read + convert in the program", inProgramAtOnce);
    row("in its own process, started and asked at once", isolatedAtOnce);
    row("PNG and JPEG saves", saves);
    // Each run's two readers follow each other, so the median of their differences leaves out most of what
    // slows a whole run down on a shared machine.
    const auto medianDifference = [](const Figures& later, const Figures& earlier) {
        std::vector<double> differences;
        for (std::size_t i = 0; i < later.seconds.size(); ++i)
            differences.push_back(later.seconds[i] - earlier.seconds[i]);
        return Median(differences);
    };
    const double added = medianDifference(isolated, inProgram);
    const double conversion = Median(inProgram.seconds) + Median(saves.seconds);
    std::printf(
        "  added as processing runs it: %.1f ms, %.1f %% of the read + convert alone; without a pause: "
        "%.1f ms\n",
        added * 1000, 100 * added / Median(inProgram.seconds),
        medianDifference(isolatedAtOnce, inProgramAtOnce) * 1000);
    // A conversion, as the engine benchmark measures its memory too: the file made into its PNG and JPEG.
    Verdict verdict;
    verdict.Check("time added / whole conversion, PNG + JPEG (%)", 100 * added / conversion, 5);
    return verdict.failures == 0 ? 0 : 1;
}

int Peak(const QString& file, const QDir& work) {
    const ProcessingOptions options = [&] {
        ProcessingOptions both = BenchmarkOptions(work);
        both.saveAsPng = true;
        both.saveAsJpeg = true;
        return both;
    }();
    QDir().mkpath(options.sourcePath);
    const QString received = options.sourcePath + QFileInfo(file).fileName();
    if (!QFile::copy(file, received)) return 2;
    FileProcessor processor;
    processor.notify = nullptr;
    const PeakMemorySampler sampler;
    const long long waiting = ResidentBytesNow();
    const FileOutcome outcome = processor.ProcessFile(ReceivedFile::At(received), options);
    const long long peak = PeakOfProgramAndReader(waiting);
    const long long sampled = sampler.PeakProportionalBytes();
    const double pixels = [&] {
        TExtBitmap bitmap;
        bitmap.SetPixelFormat(TPixelFormat::pf8bit);
        float longitude = 0;
        return ReadAbiImageIsolated(AbiReadRequest::ByName(file), bitmap, longitude, kReader)
                   ? double(bitmap.Width()) * bitmap.Height()
                   : 0.0;
    }();
    std::printf(
        "  %s, %.1f Mpixel; program while reading %.1f MB; peak of both %.1f MB sampled, %.1f MB by the "
        "kernel's high-water marks (which count the libraries both processes map twice)\n",
        outcome.Processed() ? "processed" : "NOT PROCESSED", pixels / 1e6, waiting / 1e6, sampled / 1e6,
        peak / 1e6);
    Verdict verdict;
    // The sampled sum counts every page once, however many of the two processes map it. A band-2 full disk
    // has its own, lower target.
    verdict.Check("peak memory (bytes per pixel)", pixels > 0 ? sampled / pixels : 1e9,
                  pixels > 400e6 ? 2.5 : 3.5);
    return verdict.failures == 0 && outcome.Processed() ? 0 : 1;
}

// Growth per file, in bytes, between the tenth of the way and the end.
double GrowthPerFile(const std::vector<long long>& resident) {
    const std::size_t from = resident.size() / 10;
    return double(resident.back() - resident[from]) / double(resident.size() - 1 - from);
}

int Resident(const QString& file, const QDir& work, int count) {
    const ProcessingOptions options = BenchmarkOptions(work);
    QDir().mkpath(options.sourcePath);
    const QString received = options.sourcePath + QFileInfo(file).fileName();
    FileProcessor processor;
    processor.notify = nullptr;
    std::vector<long long> programs;
    int failed = 0;
    for (int i = 0; i < count; ++i) {
        QFile::copy(file, received);
        if (!processor.ProcessFile(ReceivedFile::At(received), options).Processed()) ++failed;
        QFile::remove(received);
        programs.push_back(ResidentBytesNow());
        if ((i + 1) % (count / 10) == 0 || i == 0)
            std::printf("  after file %5d: %.2f MB\n", i + 1, programs.back() / 1e6);
    }
    std::vector<long long> inProgram;
    for (int i = 0; i < count; ++i) {
        TExtBitmap bitmap;
        bitmap.SetPixelFormat(TPixelFormat::pf8bit);
        float longitude = 0;
        (void)ReadAbiImage(AbiReadRequest::ByName(file), bitmap, longitude);
        inProgram.push_back(ResidentBytesNow());
    }
    std::printf("  growth per file from file %d on: %.0f bytes with the reader in its own process "
                "(%d failed), %.0f bytes with the reader in the program\n",
                count / 10, GrowthPerFile(programs), failed, GrowthPerFile(inProgram));
    Verdict verdict;
    verdict.Check("resident growth per processed file (bytes)", GrowthPerFile(programs), 100);
    verdict.Check("files not processed", failed, 0);
    return verdict.failures == 0 ? 0 : 1;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const BenchArguments args(argc, argv,
                              "overhead FILE RUNS | peak FILE WORKFOLDER | rss FILE WORKFOLDER COUNT");
    const QString mode = args[1];
    if (mode == "overhead" && args.Count() == 3) return Overhead(args[2], std::max(1, args[3].toInt()));
    if (mode == "peak" && args.Count() == 3) return Peak(args[2], QDir(args[3]));
    if (mode == "rss" && args.Count() == 4)
        return Resident(args[2], QDir(args[3]), std::max(10, args[4].toInt()));
    return args.Usage();
}
