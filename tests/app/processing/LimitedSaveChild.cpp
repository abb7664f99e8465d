// A child process that runs one save, or the processing of one received file, with its files limited to a
// size (RLIMIT_FSIZE, SIGXFSZ ignored), so that writes past the limit fail with EFBIG as on a full disk.
//
//   limited_save_child LIMIT png|jpeg|geotiff TARGET WIDTH HEIGHT
//   limited_save_child LIMIT copy SOURCE TARGET
//   limited_save_child LIMIT process SOURCE ARCHIVE IMAGES FORMATS KEEP_ARCHIVE
//
// LIMIT is a byte count or "none"; FORMATS is "png", "jpeg" or "png+jpeg"; KEEP_ARCHIVE is 0 or 1. A
// failure's message is printed; the exit code is 0 when the save succeeded (or the file was processed), 1
// when not.
#include "BMPExtImage.h"
#include "DurableFiles.h"
#include "FileProcessor.h"
#include "ImageFiles.h"
#include "ReceivedFile.h"

#include <QCoreApplication>
#include <csignal>
#include <cstdio>
#include <sys/resource.h>

namespace {

bool LimitFileSize(const QString& limit) {
    if (limit == "none") return true;
    bool ok = false;
    const rlim_t bytes = limit.toULongLong(&ok);
    const rlimit limits{bytes, bytes};
    return ok && std::signal(SIGXFSZ, SIG_IGN) != SIG_ERR && ::setrlimit(RLIMIT_FSIZE, &limits) == 0;
}

// A grey pattern that compresses neither to nothing nor badly.
void FillPattern(TExtBitmap& bitmap, int width, int height) {
    bitmap.SetPixelFormat(TPixelFormat::pf8bit);
    bitmap.SetGreyPalette();
    bitmap.SetSize(width, height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            bitmap.ScanLine(y)[x] = static_cast<std::uint8_t>((x * x + 3 * y * x / 7 + y) % 251);
}

// A geostationary grid for the pattern's GeoTIFF.
const AbiGeolocation kSomeGrid{35786023.0, 6378137.0,          6356752.31414,     -75.2,
                               'x',        {5.6e-05, -0.0112}, {-5.6e-05, 0.0084}};

int Report(const Status& status) {
    if (status) return 0;
    std::printf("%s\n", qPrintable(status.failure().message));
    return 1;
}

int Process(const QStringList& args) {
    ProcessingOptions options;
    options.netCdfPath = args[4];
    options.savePath = args[5];
    options.bandsSelected.fill(true);
    options.saveAsPng = args[6].contains("png");
    options.saveAsJpeg = args[6].contains("jpeg");
    options.saveAsNetCdf = args[7] == "1";
    options.waits = ProcessingWaits::None();
    options.reader.program = READER_PROGRAM;
    FileProcessor processor;
    processor.notify = nullptr;
    const FileOutcome outcome = processor.ProcessFile(ReceivedFile::At(args[3]), options);
    if (outcome.failure) std::printf("%s\n", qPrintable(outcome.failure->message));
    return outcome.Processed() ? 0 : 1;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() < 5 || !LimitFileSize(args[1])) return 2;
    const QString& what = args[2];
    if ((what == "png" || what == "jpeg" || what == "geotiff") && args.size() == 6) {
        TExtBitmap bitmap;
        FillPattern(bitmap, args[4].toInt(), args[5].toInt());
        if (what == "geotiff") return Report(SaveGeoTiffImage(bitmap, args[3], {kSomeGrid, {}, {}}, 0, 0));
        return Report(what == "png" ? SavePngImage(bitmap, args[3], 0, 0)
                                    : SaveJpegImage(bitmap, args[3], kJpegQuality, 0));
    }
    if (what == "copy" && args.size() == 5) return Report(CopyFileDurably(args[3], args[4]));
    if (what == "process" && args.size() == 8) return Process(args);
    return 2;
}
