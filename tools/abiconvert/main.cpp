// abiconvert: converts ABI L1b radiance files to PNG and/or JPEG, and on request a GeoTIFF, exactly as the
// program does, without a window. Each file is read by the program's reader in a process of its own, so a
// file that crashes or exhausts the libraries fails alone and the rest of the command line is still
// converted.
#include "AbiFileName.h"
#include "BMPExtImage.h"
#include "BandTables.h"
#include "ImageFiles.h"
#include "ReaderProcess.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <cstdio>
#include <utility>

namespace {

struct ConvertRequest {
    QString outFolder;
    bool png = true;
    bool jpeg = true;
    bool geoTiff = false;
    int quality = kJpegQuality;
    ReaderProcessSettings reader;
};

void Complain(const QString& text) {
    std::fprintf(stderr, "abiconvert: %s\n", qPrintable(text));
}

bool ConvertOne(const QString& path, const ConvertRequest& request) {
    if (!QFileInfo(path).isFile()) {
        Complain(path + ": no such file");
        return false;
    }
    const std::optional<AbiFileInfo> name = DecodeAbiFileName(path);
    if (!name) Complain(path + ": not an ABI file name; the image gets no title and no file time");

    TExtBitmap bitmap;
    bitmap.SetPixelFormat(TPixelFormat::pf8bit);
    float longitude = 0;
    std::optional<AbiGeolocation> geolocation;
    // A finished file is opened once: no retry meant for files that are still arriving.
    if (const Status read = ReadAbiImageIsolated({path, name, std::chrono::milliseconds(0), false}, bitmap,
                                                 longitude, request.reader, &geolocation);
        !read) {
        Complain(path + ": " + read.failure().message);
        return false;
    }
    const QString base = QDir(request.outFolder).filePath(QFileInfo(path).completeBaseName());
    const QString png = request.png ? base + ".png" : QString(),
                  jpeg = request.jpeg ? base + ".jpg" : QString(),
                  geoTiff = request.geoTiff ? base + ".tif" : QString();
    ImageFileSaves saves;
    saves.pngPath = png;
    saves.jpegPath = jpeg;
    saves.geoTiffPath = geoTiff;
    saves.geoTiff = {geolocation, name ? SatelliteName(name->satellite) : QString(),
                     name ? BandCode.at(name->bandIndex) : QString()};
    saves.jpegQuality = request.quality;
    saves.startTime = name ? name->startTime : 0;
    saves.fileTime = name ? name->nominalTime : 0;
    const ImageFilesSaved saved = SaveImageFiles(bitmap, saves);
    bool converted = true;
    for (const auto& [written, status] :
         {std::pair{png, &saved.png}, std::pair{jpeg, &saved.jpeg}, std::pair{geoTiff, &saved.geoTiff}}) {
        if (written.isEmpty()) continue;
        if (*status)
            std::printf("%s\n", qPrintable(written));
        else
            Complain(path + ": " + status->failure().message);
        converted = converted && status->ok();
    }
    return converted;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationVersion(STRATOLUX_VERSION);
    QCommandLineParser parser;
    parser.setApplicationDescription(
        "Converts GOES-R ABI L1b radiance files (netCDF) into 8-bit greyscale PNG and/or JPEG images, with "
        "the same pixels, texts and comment as Stratolux writes, and on request a GeoTIFF in the satellite's "
        "own projection. Without --png or --jpeg both are written.");
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addOption({{"o", "out"}, "Write the images into FOLDER (created when missing).", "FOLDER"});
    parser.addOption({"png", "Write PNG images."});
    parser.addOption({"jpeg", "Write JPEG images."});
    parser.addOption(
        {"geotiff", "Also write a GeoTIFF (Cloud Optimized, space masked as no data) of each file."});
    parser.addOption({{"q", "quality"}, "JPEG quality 1..100 (default 99).", "N"});
    parser.addOption(
        {"reader", "Read the files with this reader program instead of the program's own.", "FILE"});
    parser.addPositionalArgument("files", "ABI L1b radiance files.", "FILE...");
    parser.process(app);

    ConvertRequest request;
    request.outFolder = parser.value("out");
    request.reader.program = parser.value("reader");
    const QStringList files = parser.positionalArguments();
    if (request.outFolder.isEmpty() || files.isEmpty()) {
        Complain("give an output folder with --out and at least one file (see --help)");
        return 2;
    }
    if (parser.isSet("png") || parser.isSet("jpeg")) {
        request.png = parser.isSet("png");
        request.jpeg = parser.isSet("jpeg");
    }
    request.geoTiff = parser.isSet("geotiff");
    if (parser.isSet("quality")) {
        bool ok = false;
        request.quality = parser.value("quality").toInt(&ok);
        if (!ok || request.quality < 1 || request.quality > 100) {
            Complain("--quality takes a whole number from 1 to 100");
            return 2;
        }
    }
    if (!QDir().mkpath(request.outFolder)) {
        Complain("cannot create the folder " + request.outFolder);
        return 2;
    }
    int failures = 0;
    for (const QString& file : files)
        if (!ConvertOne(file, request)) ++failures;
    return failures == 0 ? 0 : 1;
}
