// The program's PNG and JPEG saves.
#include "ImageFiles.h"

#include "BMPExtImage.h"
#include "Branding.h"
#include "GeoTiffWriter.h"
#include "ImageFileLoading.h"
#include "JPEG_IO.h"
#include "PNG_IO.h"

#include <QDateTime>
#include <thread>

namespace {

QList<std::pair<QByteArray, QString>> GeoTiffMetadata(const GeoTiffFacts& facts, TDateTime startTime) {
    QList<std::pair<QByteArray, QString>> items = {{"TIFFTAG_IMAGEDESCRIPTION", kImageDescription},
                                                   {"TIFFTAG_SOFTWARE", kImageSoftware},
                                                   {"TIFFTAG_ARTIST", kMakerWebAddress}};
    if (startTime != 0) {
        const QDateTime start = QDateTimeFromDateTime(startTime);
        items.append({"TIFFTAG_DATETIME", start.toString(QStringLiteral("yyyy:MM:dd HH:mm:ss"))});
        items.append({"SCAN_START", start.toString(Qt::ISODate)});
    }
    if (!facts.satellite.isEmpty()) items.append({"SATELLITE", facts.satellite});
    if (!facts.band.isEmpty()) items.append({"BAND", facts.band});
    return items;
}

} // namespace

Status SavePngImage(const TExtBitmap& bitmap, const QString& path, TDateTime startTime, TDateTime fileTime,
                    unsigned permissions) {
    const QString title = startTime == 0 ? QString() : FormatDateTime("yyyy-mm-dd hh:nn", startTime);
    return PublishFile(
        path,
        [&](QIODevice& sink) {
            return SaveBitmapAsPng(bitmap, sink, kMakerWebAddress, kImageDescription, kImageSoftware, title,
                                   nullptr);
        },
        fileTime, permissions);
}

Status SaveJpegImage(const TExtBitmap& bitmap, const QString& path, int quality, TDateTime fileTime,
                     unsigned permissions) {
    return PublishFile(
        path,
        [&](QIODevice& sink) { return SaveBitmapAsJpeg(bitmap, sink, quality, kMakerWebAddress, false); },
        fileTime, permissions);
}

Status SaveGeoTiffImage(const TExtBitmap& bitmap, const QString& path, const GeoTiffFacts& facts,
                        TDateTime startTime, TDateTime fileTime, unsigned permissions) {
    if (!facts.geolocation)
        return Failure{FailureCode::GeolocationMissing,
                       QStringLiteral("no geolocation for a GeoTIFF (the file lacks a usable "
                                      "goes_imager_projection, or the scale and offset of x and y)")};
    const AbiGeolocation& geolocation = *facts.geolocation;
    const GeoTiffDescription description{ProjString(geolocation), GeoTransform(geolocation),
                                         EarthColumns(geolocation, bitmap.Width(), bitmap.Height()),
                                         GeoTiffMetadata(facts, startTime)};
    return PublishFileWrittenByName(
        path, [&](const QString& temporary) { return SaveBitmapAsGeoTiff(bitmap, temporary, description); },
        fileTime, permissions);
}

ImageFilesSaved SaveImageFiles(const TExtBitmap& bitmap, const ImageFileSaves& saves) {
    ImageFilesSaved saved;
    const auto readBack = [&](const QString& path) {
        if (saves.thumbnailSize.isValid())
            saved.thumbnail = LoadReducedImage(path, saves.thumbnailSize).value_or(QImage());
    };
    std::jthread jpeg, geoTiff;
    if (!saves.geoTiffPath.isEmpty())
        geoTiff = std::jthread([&] {
            saved.geoTiff = SaveGeoTiffImage(bitmap, saves.geoTiffPath, saves.geoTiff, saves.startTime,
                                             saves.fileTime, saves.permissions);
        });
    if (!saves.jpegPath.isEmpty())
        jpeg = std::jthread([&] {
            saved.jpeg =
                SaveJpegImage(bitmap, saves.jpegPath, saves.jpegQuality, saves.fileTime, saves.permissions);
            if (saved.jpeg) readBack(saves.jpegPath);
        });
    if (!saves.pngPath.isEmpty()) {
        saved.png = SavePngImage(bitmap, saves.pngPath, saves.startTime, saves.fileTime, saves.permissions);
        if (saved.png && saves.jpegPath.isEmpty()) readBack(saves.pngPath);
    }
    if (jpeg.joinable()) jpeg.join();
    if (geoTiff.joinable()) geoTiff.join();
    return saved;
}
