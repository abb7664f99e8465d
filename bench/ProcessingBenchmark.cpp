// Processing benchmark: every band file of one full-disk scan through ProcessFile with the default options
// (waits shortened), or with PNG as well, against the engine's own steps for the same file: read + convert,
// the saves, and the thumbnail read back from the JPEG. Also what reading how whole the image is adds: the
// completeness values read from a freshly opened file, as the reader reads them once per file.
#include "AbiBitmap.h"
#include "BMPExtImage.h"
#include "BenchMain.h"
#include "BenchOptions.h"
#include "EncodeIntoFile.h"
#include "FileProcessor.h"
#include "ImageFileLoading.h"
#include "ImageFiles.h"
#include "JPEG_IO.h"
#include "NetCDFGoesAbi.h"
#include "Timing.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <cstdio>

namespace {

// The median time of reading the completeness values, each time from the file opened anew and its header
// read, as the reader does once per file.
double CompletenessReadSeconds(const QString& path, int runs) {
    std::vector<double> seconds;
    for (int i = 0; i < runs; ++i) {
        TNetCdfGoesAbi reader(std::chrono::milliseconds(0));
        if (!reader.OpenAbiFile(path) || !reader.ReadHeader(QStringLiteral("Rad"))) return 0;
        const qint64 pixels = qint64{reader.ImageWidth()} * reader.ImageHeight();
        seconds.push_back(Seconds([&] { (void)ReadAbiCompleteness(reader, pixels); }));
    }
    return Median(seconds);
}

constexpr int kCompletenessRuns = 21;

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const BenchArguments args(argc, argv, "SCANFOLDER WORKFOLDER [RUNS [--png]]");
    if (args.Count() < 2) return args.Usage();
    const bool withPng = args[4] == "--png";
    const QDir scan(args[1]);
    QDir work(args[2]);
    const int runs = std::max(1, args.NumberOr(3, 3));
    work.removeRecursively();
    QDir().mkpath(work.filePath("received"));

    // The program's defaults: JPEG at quality 99, dates in folders, short names.
    ProcessingOptions options = BenchmarkOptions(work);
    options.saveAsPng = withPng;
    FileProcessor processor;
    processor.notify = nullptr;

    std::printf("%-8s %10s %9s %9s %9s %11s %9s %14s\n", "band", "Mpixel", "read (s)",
                withPng ? "saves (s)" : "jpeg (s)", "engine", "processing", "overhead", "completeness");
    double engineTotal = 0, processingTotal = 0, completenessTotal = 0;
    const QStringList files = scan.entryList({"OR_ABI-L1b-RadF-*.nc"}, QDir::Files, QDir::Name);
    for (const QString& name : files) {
        const QString original = scan.filePath(name);
        if (QFileInfo(original).size() > kLargestReceivedFile) {
            std::printf("%-8s skipped: larger than %lld bytes\n", qPrintable(name.mid(18, 3)),
                        kLargestReceivedFile);
            continue;
        }
        TExtBitmap bitmap;
        bitmap.SetPixelFormat(TPixelFormat::pf8bit);
        float longitude = 0;
        const double read = MedianSeconds(
            runs, [&] { (void)ReadAbiImage(AbiReadRequest::ByName(original), bitmap, longitude); });
        const QString jpeg = work.filePath("engine.jpg");
        const double save = MedianSeconds(runs, [&] {
            if (withPng) {
                ImageFileSaves saves;
                saves.pngPath = work.filePath("engine.png");
                saves.jpegPath = jpeg;
                SaveImageFiles(bitmap, saves);
                return;
            }
            EncodeIntoNewFile(jpeg, [&](QIODevice& file) {
                return SaveBitmapAsJpeg(bitmap, file, kJpegQuality, "c", false);
            });
        });
        const double thumbnail =
            MedianSeconds(runs, [&] { (void)LoadReducedImage(jpeg, QSize(kThumbnailSide, kThumbnailSide)); });
        const double pixels = double(bitmap.Width()) * bitmap.Height();
        bitmap.SetSize(0, 0);

        const QString received = options.sourcePath + name;
        std::vector<double> processed;
        for (int i = 0; i < runs; ++i) {
            QFile::copy(original, received);
            processed.push_back(Seconds([&] { processor.ProcessFile(ReceivedFile::At(received), options); }));
            QFile::remove(received);
        }
        const double processing = Median(processed);
        const double engine = read + save + thumbnail;
        const double completeness = CompletenessReadSeconds(original, kCompletenessRuns);
        engineTotal += engine;
        processingTotal += processing;
        completenessTotal += completeness;
        std::printf("%-8s %10.1f %9.3f %9.3f %9.3f %11.3f %8.1f%% %11.3f ms\n", qPrintable(name.mid(18, 3)),
                    pixels / 1e6, read, save, engine, processing, 100 * (processing - engine) / engine,
                    1e3 * completeness);
    }
    const double overhead = (processingTotal - engineTotal) / engineTotal;
    std::printf("total: engine %.3f s, processing %.3f s, overhead %.1f%% (target at most 10%%): %s\n",
                engineTotal, processingTotal, 100 * overhead, overhead <= 0.10 ? "PASS" : "FAIL");
    const double completenessShare = completenessTotal / processingTotal;
    std::printf("the completeness values read in %.3f ms, %.3f%% of the processing (target under 1%%): %s\n",
                1e3 * completenessTotal, 100 * completenessShare, completenessShare < 0.01 ? "PASS" : "FAIL");
    return overhead <= 0.10 && completenessShare < 0.01 ? 0 : 1;
}
