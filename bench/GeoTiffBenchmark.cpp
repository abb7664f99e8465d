// GeoTIFF benchmark: a band-2 full disk (21696² pixels) read once, then its GeoTIFF saved as the program
// saves it, against the PNG save: the time the GeoTIFF takes alone and adds to the program's saves (PNG and
// JPEG at once), and the memory it adds while it is written. Targets: what it adds to the saves at most half
// the PNG save's time, and so its processor time at most half the PNG's; at most 0.5 byte per pixel. Its wall
// time alone is shown beside, not a target: it is always saved beside a PNG or JPEG, and compresses on every
// core but one, so on two cores, alone, it runs about one core's worth.
#include "AbiBitmap.h"
#include "AbiFileName.h"
#include "BMPExtImage.h"
#include "BenchMain.h"
#include "ImageFiles.h"
#include "PeakMemory.h"
#include "Timing.h"
#include "Verdict.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <algorithm>
#include <cstdio>
#include <functional>
#include <stdexcept>
#include <vector>

namespace {

constexpr double kTimeShare = 0.5;
constexpr double kBytesPerPixel = 0.5;

struct Timed {
    double wall = 0;
    double processor = 0;
};

// The median wall time of `runs` runs, and the processor time of the same run.
Timed Median(int runs, const std::function<void()>& step) {
    std::vector<Timed> times;
    for (int i = 0; i < runs; ++i) {
        const double before = ProcessorSeconds();
        const double wall = Seconds(step);
        times.push_back({wall, ProcessorSeconds() - before});
    }
    std::sort(times.begin(), times.end(), [](const Timed& a, const Timed& b) { return a.wall < b.wall; });
    return times[times.size() / 2];
}

void Save(const TExtBitmap& bitmap, const ImageFileSaves& saves) {
    const ImageFilesSaved saved = SaveImageFiles(bitmap, saves);
    for (const Status* status : {&saved.png, &saved.jpeg, &saved.geoTiff})
        if (!*status) throw std::runtime_error(status->failure().message.toStdString());
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const BenchArguments args(argc, argv, "BAND2FILE WORKFOLDER [RUNS]");
    if (args.Count() < 2) return args.Usage();
    const QString file = args[1];
    QDir work(args[2]);
    work.removeRecursively();
    QDir().mkpath(work.path());
    const int runs = args.NumberOr(3, 3);

    TExtBitmap bitmap;
    bitmap.SetPixelFormat(TPixelFormat::pf8bit);
    float longitude = 0;
    std::optional<AbiGeolocation> geolocation;
    if (const Status read = ReadAbiImage(AbiReadRequest::ByName(file), bitmap, longitude, &geolocation);
        !read) {
        std::fprintf(stderr, "%s: %s\n", qPrintable(file), qPrintable(read.failure().message));
        return 2;
    }
    const double pixels = static_cast<double>(bitmap.Width()) * bitmap.Height();
    const std::optional<AbiFileInfo> name = DecodeAbiFileName(file);
    ImageFileSaves geoTiff;
    geoTiff.geoTiffPath = work.filePath("disk.tif");
    geoTiff.geoTiff = {geolocation, name ? SatelliteName(name->satellite) : QString(),
                       name ? BandCode.at(name->bandIndex) : QString()};
    geoTiff.startTime = name ? name->startTime : 0;

    try {
        // Memory first, while nothing of the other saves is held by the allocator.
        const long long before = ResidentBytesNow();
        long long peak = 0;
        {
            const PeakMemorySampler sampler;
            Save(bitmap, geoTiff);
            peak = sampler.PeakProportionalBytes();
        }
        const double addedBytesPerPixel = static_cast<double>(peak - before) / pixels;

        ImageFileSaves png;
        png.pngPath = work.filePath("disk.png");
        ImageFileSaves program = png;
        program.jpegPath = work.filePath("disk.jpg");
        ImageFileSaves programWithGeoTiff = program;
        programWithGeoTiff.geoTiffPath = geoTiff.geoTiffPath;
        programWithGeoTiff.geoTiff = geoTiff.geoTiff;

        const Timed pngAlone = Median(runs, [&] { Save(bitmap, png); });
        const Timed geoTiffAlone = Median(runs, [&] { Save(bitmap, geoTiff); });
        const Timed saves = Median(runs, [&] { Save(bitmap, program); });
        const Timed savesWithGeoTiff = Median(runs, [&] { Save(bitmap, programWithGeoTiff); });

        std::printf("%s: %d x %d (%.1f Mpixel), median of %d runs\n", qPrintable(QFileInfo(file).fileName()),
                    bitmap.Width(), bitmap.Height(), pixels / 1e6, runs);
        std::printf("  %-44s %9s %10s %9s\n", "save", "wall (s)", "processor", "size (MB)");
        const auto row = [](const char* what, const Timed& timed, const QString& path) {
            std::printf("  %-44s %9.2f %10.2f %9.1f\n", what, timed.wall, timed.processor,
                        path.isEmpty() ? 0.0 : QFileInfo(path).size() / 1e6);
        };
        row("PNG alone", pngAlone, png.pngPath);
        row("GeoTIFF alone", geoTiffAlone, geoTiff.geoTiffPath);
        row("PNG + JPEG at once (the program's saves)", saves, program.jpegPath);
        row("PNG + JPEG + GeoTIFF at once", savesWithGeoTiff, QString());
        std::printf("  %-44s %9.0f MB %6.2f B/px\n", "memory the GeoTIFF adds (peak over before)",
                    (peak - before) / 1e6, addedBytesPerPixel);
        Verdict verdict;
        std::printf("  %-52s %8.3f\n", "GeoTIFF alone / PNG alone (wall, not a target)",
                    geoTiffAlone.wall / pngAlone.wall);
        verdict.Check("GeoTIFF / PNG processor time", geoTiffAlone.processor / pngAlone.processor,
                      kTimeShare);
        verdict.Check("time the GeoTIFF adds to the saves / PNG alone",
                      (savesWithGeoTiff.wall - saves.wall) / pngAlone.wall, kTimeShare);
        verdict.Check("memory the GeoTIFF adds, bytes per pixel", addedBytesPerPixel, kBytesPerPixel);
        return verdict.failures == 0 ? 0 : 1;
    } catch (const std::exception& failure) {
        std::fprintf(stderr, "%s\n", failure.what());
        return 1;
    }
}
