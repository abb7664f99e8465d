// Engine benchmark: read + convert, PNG save, JPEG save and thumbnail of one ABI file, against bare library
// calls (the floor), gdal_translate (the peer) and the peak memory of a whole conversion, as medians over
// several runs; and the PNG + JPEG saves on all cores against the single-thread path they replaced, libpng's
// writer and then the JPEG. With --saves-only (for the largest bands) just that comparison.
#include "AbiBitmap.h"
#include "BMPExtImage.h"
#include "BareLibraries.h"
#include "BenchMain.h"
#include "DurableFiles.h"
#include "EncodeIntoFile.h"
#include "ImageFiles.h"
#include "JPEG_IO.h"
#include "PNG_IO.h"
#include "Timing.h"
#include "VelPNGImage.h"
#include "Verdict.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <cstdio>
#include <png.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// Peak resident memory, in bytes, of a child process running the given command to its end. Until it execs,
// the forked child counts this process's resident pages as its own, so this runs before the benchmark holds
// any image.
long long PeakMemoryOf(const QString& program, const QStringList& arguments) {
    std::vector<QByteArray> storage{program.toLocal8Bit()};
    for (const QString& argument : arguments) storage.push_back(argument.toLocal8Bit());
    std::vector<char*> argv;
    for (QByteArray& item : storage) argv.push_back(item.data());
    argv.push_back(nullptr);
    const pid_t child = ::fork();
    if (child == 0) {
        ::execv(argv[0], argv.data());
        ::_exit(127);
    }
    int status = 0;
    rusage usage{};
    ::wait4(child, &status, 0, &usage);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0 ? usage.ru_maxrss * 1024LL : -1;
}

bool RunQuietly(const QString& program, const QStringList& arguments) {
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(program, arguments);
    return process.waitForFinished(-1) && process.exitStatus() == QProcess::NormalExit &&
           process.exitCode() == 0;
}

// The saves before they used both cores: libpng's writer at zlib level 4, then the JPEG.
void SaveOnOneThread(const TExtBitmap& bitmap, const QString& png, const QString& jpeg) {
    const Status pngSaved = PublishFile(png, [&](QIODevice& sink) -> Status {
        TPngImage image;
        image.ShareRowsOf(bitmap);
        image.CompressionLevel = 4;
        image.Filters = PNG_FILTER_NONE | PNG_FILTER_SUB | PNG_FILTER_PAETH;
        image.Title = "t";
        image.SaveToStream(sink);
        return {};
    });
    if (!pngSaved || !SaveJpegImage(bitmap, jpeg, kJpegQuality, 0))
        throw std::runtime_error("cannot save " + png.toStdString() + " on one thread");
}

// PNG + JPEG as the program saves them against the single-thread path, alone and after the read: ours after
// our read + convert, the single-thread path after the netCDF library's own read of the counts.
void CompareSavesWithOneThread(const TExtBitmap& bitmap, const QDir& work, int runs, double readConvert,
                               double libraryRead, Verdict& verdict) {
    const QString png = work.filePath("both.png"), jpeg = work.filePath("both.jpg");
    const QString singlePng = work.filePath("single.png"), singleJpeg = work.filePath("single.jpg");
    ImageFileSaves saves;
    saves.pngPath = png;
    saves.jpegPath = jpeg;
    const double both = MedianSeconds(runs, [&] {
        const ImageFilesSaved saved = SaveImageFiles(bitmap, saves);
        if (!saved.png || !saved.jpeg) throw std::runtime_error("cannot save the images");
    });
    const double single = MedianSeconds(runs, [&] { SaveOnOneThread(bitmap, singlePng, singleJpeg); });
    std::printf("  %-28s %9s %9s\n", "PNG + JPEG, published", "ours (s)", "1 thread");
    std::printf("  %-28s %9.3f %9.3f\n", "saves", both, single);
    std::printf("  %-28s %9.3f %9.3f\n", "read + convert", readConvert, libraryRead);
    std::printf("  %-28s %9.3f %9.3f\n", "read + convert + saves", readConvert + both, libraryRead + single);
    std::printf("  PNG size: %lld bytes, %+.2f %% against libpng's\n", QFileInfo(png).size(),
                100.0 * (QFileInfo(png).size() - QFileInfo(singlePng).size()) / QFileInfo(singlePng).size());
    verdict.Check("saves / single-thread saves", both / single, 0.5);
    verdict.Check("(read + saves) / single-thread (read + saves)",
                  (readConvert + both) / (libraryRead + single), 0.5);
    verdict.Check("PNG size / libpng's",
                  static_cast<double>(QFileInfo(png).size()) / QFileInfo(singlePng).size(), 1.03);
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const BenchArguments args(argc, argv, "FILE WORKFOLDER [RUNS] [ABICONVERT | --saves-only]");
    if (args.Count() < 2) return args.Usage();
    const QString file = args[1];
    const QDir work(args[2]);
    const bool savesOnly = args[4] == "--saves-only";
    const int runs = std::max(savesOnly ? 3 : 5, args.NumberOr(3, 5));
    const QString abiconvert = savesOnly ? QString() : args[4];
    QDir().mkpath(work.path());
    const long long conversionPeak =
        abiconvert.isEmpty() ? 0 : PeakMemoryOf(abiconvert, {"--out", work.path(), file});
    const QString png = work.filePath("ours.png"), jpeg = work.filePath("ours.jpg");
    const QString barePng = work.filePath("bare.png"), bareJpeg = work.filePath("bare.jpg");

    TExtBitmap bitmap;
    bitmap.SetPixelFormat(TPixelFormat::pf8bit);
    float longitude = 0;
    const double readConvert =
        MedianSeconds(runs, [&] { (void)ReadAbiImage(AbiReadRequest::ByName(file), bitmap, longitude); });
    const double pixels = static_cast<double>(bitmap.Width()) * bitmap.Height();
    std::printf("%s: %d x %d (%.1f Mpixel), median of %d runs\n", qPrintable(QFileInfo(file).fileName()),
                bitmap.Width(), bitmap.Height(), pixels / 1e6, runs);
    Verdict verdict;
    const double bareRead = MedianSeconds(runs, [&] { BareReadCounts(file); });
    if (savesOnly) {
        CompareSavesWithOneThread(bitmap, work, runs, readConvert, bareRead, verdict);
        return verdict.failures == 0 ? 0 : 1;
    }

    const double pngSave = MedianSeconds(runs, [&] {
        EncodeIntoNewFile(
            png, [&](QIODevice& file) { return SaveBitmapAsPng(bitmap, file, "a", "d", "s", "t", nullptr); });
    });
    const double barePngSave = MedianSeconds(runs, [&] { BarePngWrite(bitmap.Image(), barePng); });
    const double jpegSave = MedianSeconds(runs, [&] {
        EncodeIntoNewFile(
            jpeg, [&](QIODevice& file) { return SaveBitmapAsJpeg(bitmap, file, 99, "comment", false); });
    });
    const double bareJpegSave = MedianSeconds(runs, [&] { BareJpegWrite(bitmap.Image(), bareJpeg, 99); });
    const double thumbnail = MedianSeconds(runs, [&] {
        TExtBitmap thumb;
        thumb.SetPixelFormat(TPixelFormat::pf8bit);
        LoadJpegIntoBitmap(thumb, jpeg, false, 0);
        thumb.Interpolate(120, 120);
    });
    const double bareThumbnail = MedianSeconds(runs, [&] { BareThumbnail(bareJpeg, 120); });

    const QString source = "NETCDF:\"" + file + "\":Rad";
    const QStringList gdalCommon = {"-q", "-ot", "Byte", "-scale", source};
    const double gdalPng = MedianSeconds(runs, [&] {
        RunQuietly("gdal_translate", QStringList(gdalCommon) << "-of"
                                                             << "PNG" << work.filePath("gdal.png"));
    });
    const double gdalJpeg = MedianSeconds(runs, [&] {
        RunQuietly("gdal_translate", QStringList(gdalCommon) << "-of"
                                                             << "JPEG"
                                                             << "-co"
                                                             << "QUALITY=99" << work.filePath("gdal.jpg"));
    });

    std::printf("  %-28s %9s %9s\n", "step", "ours (s)", "floor (s)");
    std::printf("  %-28s %9.3f %9.3f\n", "read + convert", readConvert, bareRead);
    std::printf("  %-28s %9.3f %9.3f\n", "PNG save (level 4)", pngSave, barePngSave);
    std::printf("  %-28s %9.3f %9.3f\n", "JPEG save (quality 99)", jpegSave, bareJpegSave);
    std::printf("  %-28s %9.3f %9.3f\n", "thumbnail (JPEG -> 120x120)", thumbnail, bareThumbnail);
    std::printf("  %-28s %9.3f %9.3f\n", "gdal_translate PNG / JPEG", gdalPng, gdalJpeg);
    CompareSavesWithOneThread(bitmap, work, runs, readConvert, bareRead, verdict);

    verdict.Check("read + convert - bare read (ms per 30 Mpixel)",
                  (readConvert - bareRead) * 1000 * 30e6 / pixels, 50);
    verdict.Check("PNG save / floor", pngSave / barePngSave, 1.15);
    verdict.Check("JPEG save / floor", jpegSave / bareJpegSave, 1.15);
    verdict.Check("thumbnail / floor", thumbnail / bareThumbnail, 1.15);
    verdict.Check("(read + PNG + JPEG) / gdal_translate PNG alone",
                  (readConvert + pngSave + jpegSave) / gdalPng, 1.0);
    if (!abiconvert.isEmpty()) {
        std::printf("  peak memory of a whole conversion (abiconvert, PNG + JPEG): %.1f MB\n",
                    conversionPeak / 1e6);
        verdict.Check("peak memory (bytes per pixel)", conversionPeak / pixels, 3.5);
    }
    return verdict.failures == 0 ? 0 : 1;
}
