// Writing a GeoTIFF with GDAL's COG driver from the bitmap in memory.
#include "GeoTiffWriter.h"

#include "BMPExtImage.h"
#include "GdalSession.h"
#include "GreyImageSource.h"

#include <cpl_conv.h>
#include <cpl_string.h>

#include <algorithm>
#include <memory>
#include <thread>

namespace {

Failure CannotWrite(const QString& reason) {
    return {FailureCode::CannotWrite, reason};
}

struct CloseDataset {
    void operator()(GDALDataset* dataset) const { GDALClose(GDALDataset::ToHandle(dataset)); }
};

CPLStringList CreationOptions() {
    CPLStringList options;
    options.SetNameValue("COMPRESS", "DEFLATE");
    // The fastest level: with the predictor the file is about 10 % larger than at the default level, in a
    // fifth of the time.
    options.SetNameValue("LEVEL", "1");
    options.SetNameValue("PREDICTOR", "YES");
    options.SetNameValue("BLOCKSIZE", QByteArray::number(kGeoTiffTileSide).constData());
    // A compression worker for every core but one: the writing thread does work of its own (the levels, the
    // mask's bits), and the PNG and JPEG saved at the same time need cores too. A worker on every core costs
    // more processor time in contention (5 % on two cores) and so lengthens the saves together.
    const unsigned cores = std::max(2u, std::thread::hardware_concurrency());
    options.SetNameValue("NUM_THREADS", QByteArray::number(cores - 1).constData());
    // The source brings its overviews and its mask's, so the driver needs no temporary files beside.
    options.SetNameValue("OVERVIEWS", "FORCE_USE_EXISTING");
    options.SetNameValue("BIGTIFF", "IF_SAFER");
    return options;
}

} // namespace

Status SaveBitmapAsGeoTiff(const TExtBitmap& bitmap, const QString& path,
                           const GeoTiffDescription& description) {
    if (bitmap.Empty() || bitmap.PixelFormat() != TPixelFormat::pf8bit)
        return CannotWrite(QStringLiteral("a GeoTIFF is written from an 8-bit image only"));
    if (!description.validColumns.empty() &&
        description.validColumns.size() != static_cast<std::size_t>(bitmap.Height()))
        return CannotWrite(QStringLiteral("the mask has %1 rows for an image of %2")
                               .arg(description.validColumns.size())
                               .arg(bitmap.Height()));
    PrepareGdal();
    const GdalFailures failures;
    // Nothing may land beside the file: metadata that a TIFF cannot hold would otherwise go into a
    // ".aux.xml" file next to it.
    const CPLConfigOptionSetter noSideFile("GDAL_PAM_ENABLED", "NO", false);

    OGRSpatialReference crs;
    crs.SetAxisMappingStrategy(OAMS_TRADITIONAL_GIS_ORDER);
    if (crs.SetFromUserInput(description.crs.toUtf8().constData()) != OGRERR_NONE)
        return CannotWrite(
            failures.Reason(QStringLiteral("the reference system is not understood: ") + description.crs));
    const OverviewLevels levels(bitmap.ScanLine(0), bitmap.Width(), bitmap.Height(),
                                static_cast<std::size_t>(bitmap.BytesPerLine()), description.validColumns,
                                kGeoTiffTileSide);
    GreyImageSource source(levels, description.geoTransform, crs);
    for (const auto& [name, value] : description.metadata)
        if (source.SetMetadataItem(name.constData(), value.toUtf8().constData()) != CE_None)
            return CannotWrite(failures.Reason(QStringLiteral("metadata item %1 refused").arg(name)));

    GDALDriver* driver = GetGDALDriverManager()->GetDriverByName("COG");
    if (!driver) return CannotWrite(QStringLiteral("GDAL has no COG driver"));
    std::unique_ptr<GDALDataset, CloseDataset> written(driver->CreateCopy(
        path.toUtf8().constData(), &source, FALSE, CreationOptions().List(), nullptr, nullptr));
    if (!written) return CannotWrite(failures.Reason(QStringLiteral("GDAL wrote no file")));
    // The last tiles and the directories reach the file while it closes; GDAL reports what fails then.
    written.reset();
    if (const std::optional<QString> failed = failures.First()) return CannotWrite(*failed);
    return {};
}
