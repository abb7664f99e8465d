// GeoTIFF writing through GDAL: an 8-bit grey bitmap as a Cloud Optimized GeoTIFF, placed on the Earth by a
// coordinate reference system and a geotransform, with its invalid pixels in a mask.
#pragma once

#include "ColumnSpan.h"
#include "Failure.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <array>
#include <utility>
#include <vector>

class TExtBitmap;

// Tiles of this side; overview levels are added until the smallest fits in one tile.
inline constexpr int kGeoTiffTileSide = 512;

struct GeoTiffDescription {
    QString crs; // a PROJ string or WKT
    // Pixel corners to coordinates of the reference system, in GDAL's order.
    std::array<double, 6> geoTransform{};
    // For each row, the columns that hold data; the others are masked as no data. Empty: every pixel holds
    // data, and the file has no mask.
    std::vector<ColumnSpan> validColumns;
    // Metadata items, name and value: TIFFTAG_DATETIME and the other TIFFTAG_ names of GDAL's GeoTIFF driver
    // become TIFF tags, any other name an item of the file's GDAL metadata.
    QList<std::pair<QByteArray, QString>> metadata;
};

// Writes the bitmap's grey levels, unchanged, as one Byte band: 512 × 512 tiles, DEFLATE with the horizontal
// predictor, overviews (means of 2 × 2 pixels) and, when valid columns are given, an internal mask with its
// own overviews. The file at path is replaced. Fails, with GDAL's reason, on an empty or other than 8-bit
// bitmap, a reference system that GDAL does not understand, or any failure of GDAL while it writes.
Status SaveBitmapAsGeoTiff(const TExtBitmap& bitmap, const QString& path,
                           const GeoTiffDescription& description);
