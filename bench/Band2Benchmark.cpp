// Band-2 benchmark: one full-disk band-2 file (21696² pixels) through ProcessFile with PNG, JPEG and the
// archive copy, then its thumbnail read back from each saved image as the scan's worker does it. Reports the
// time, the peak memory in bytes per pixel (target at most 2.5) and the read-back times.
#include "BenchMain.h"
#include "BenchOptions.h"
#include "FileProcessor.h"
#include "ImageFileLoading.h"
#include "PeakMemory.h"
#include "PlaceReceivedFile.h"
#include "ReceivedFile.h"
#include "Timing.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cstdio>
#include <functional>

namespace {

constexpr double kBand2Pixels = 21696.0 * 21696.0;
constexpr double kPeakBytesPerPixel = 2.5;

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const BenchArguments args(argc, argv, "BAND2FILE WORKFOLDER");
    if (args.Count() < 2) return args.Usage();
    const QString original = args[1];
    QDir work(args[2]);
    work.removeRecursively();
    QDir().mkpath(work.filePath("received"));

    ProcessingOptions options = BenchmarkOptions(work);
    options.saveAsNetCdf = true;
    options.saveAsPng = true;
    options.saveAsJpeg = true;
    FileProcessor processor;
    processor.notify = nullptr;

    const QString received = options.sourcePath + QFileInfo(original).fileName();
    if (!PlaceReceivedFile(original, received)) {
        std::fprintf(stderr, "cannot place %s in %s\n", qPrintable(original), qPrintable(options.sourcePath));
        return 2;
    }
    FileOutcome outcome;
    const QSize thumbnail(kThumbnailSide, kThumbnailSide);
    double processing = 0, jpegThumbnail = 0, pngThumbnail = 0;
    double processingCpu = 0, jpegThumbnailCpu = 0, pngThumbnailCpu = 0;
    bool readBack = false;
    const PeakMemorySampler sampler;
    const long long waiting = ResidentBytesNow();
    // The machine may be shared: the processor time tells the work apart from the waiting for a processor.
    const auto timed = [](double& wall, double& processor, const std::function<void()>& step) {
        const double before = ProcessorSeconds();
        wall = Seconds(step);
        processor = ProcessorSeconds() - before;
    };
    timed(processing, processingCpu,
          [&] { outcome = processor.ProcessFile(ReceivedFile::At(received), options); });
    if (!outcome.Processed()) {
        std::fprintf(stderr, "%s was not processed\n", qPrintable(original));
        return 1;
    }
    const QFileInfo jpeg(outcome.imagePath);
    const QString png = jpeg.dir().filePath(jpeg.completeBaseName() + ".png");
    timed(jpegThumbnail, jpegThumbnailCpu,
          [&] { readBack = LoadReducedImage(jpeg.filePath(), thumbnail).has_value(); });
    timed(pngThumbnail, pngThumbnailCpu, [&] { readBack &= LoadReducedImage(png, thumbnail).has_value(); });
    const long long proportional = sampler.PeakProportionalBytes();
    const long long resident = PeakOfProgramAndReader(waiting);

    std::printf("%s: %.1f Mpixel, PNG + JPEG + archive copy\n", qPrintable(QFileInfo(original).fileName()),
                kBand2Pixels / 1e6);
    std::printf("  %-52s %8s %10s\n", "step", "wall (s)", "processor");
    std::printf("  %-52s %8.2f %10.2f\n", "ProcessFile", processing, processingCpu);
    std::printf("  %-52s %8.2f %10.2f\n", "thumbnail read-back from the JPEG (as the scan does)",
                jpegThumbnail, jpegThumbnailCpu);
    std::printf("  %-52s %8.2f %10.2f\n", "thumbnail read-back from the PNG", pngThumbnail, pngThumbnailCpu);
    std::printf("  %-52s %8.1f MB %6.2f B/px\n", "peak resident (program + reader, shared pages once)",
                resident / 1e6, resident / kBand2Pixels);
    std::printf("  %-52s %8.1f MB %6.2f B/px\n", "peak proportional set (sampled, shared pages once)",
                proportional / 1e6, proportional / kBand2Pixels);
    const double peak = std::max(resident, proportional) / kBand2Pixels;
    const bool pass = readBack && peak <= kPeakBytesPerPixel;
    std::printf("  peak memory %.2f B/px (target at most %.1f)%s: %s\n", peak, kPeakBytesPerPixel,
                readBack ? "" : ", a thumbnail could not be read back", pass ? "PASS" : "FAIL");
    return pass ? 0 : 1;
}
