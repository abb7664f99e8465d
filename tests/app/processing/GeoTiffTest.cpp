// The GeoTIFF of a generated full disk, looked at through GDAL's own API as gdalinfo would show it: the
// reference system, the geotransform against GDAL's netCDF driver on the received file, the grey levels
// against the PNG, the mask against the file's fill values and PROJ's Earth, the tiles, the overviews and the
// metadata.
#include "AbiBitmap.h"
#include "AbiSample.h"
#include "BMPExtImage.h"
#include "GdalSession.h"
#include "GeoTiffWriter.h"
#include "ImageFiles.h"

#include <cpl_error.h>
#include <gdal_priv.h>
#include <ogr_spatialref.h>

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <thread>
#include <vector>

namespace {

// A quarter of the 2 km grid: 1356² pixels, two overview levels.
constexpr int kSize = 1356;
constexpr std::uint16_t kBand13Fill = 4095;

struct CloseDataset {
    void operator()(GDALDataset* dataset) const { GDALClose(GDALDataset::ToHandle(dataset)); }
};
using Dataset = std::unique_ptr<GDALDataset, CloseDataset>;

Dataset Open(const QString& name) {
    return Dataset(GDALDataset::Open(name.toUtf8().constData(), GDAL_OF_RASTER | GDAL_OF_READONLY));
}

template <typename T> std::vector<T> ReadBand(GDALRasterBand* band) {
    std::vector<T> values(static_cast<std::size_t>(band->GetXSize()) *
                          static_cast<std::size_t>(band->GetYSize()));
    const GDALDataType type = sizeof(T) == 1 ? GDT_Byte : GDT_UInt16;
    EXPECT_EQ(band->RasterIO(GF_Read, 0, 0, band->GetXSize(), band->GetYSize(), values.data(),
                             band->GetXSize(), band->GetYSize(), type, 0, 0, nullptr),
              CE_None);
    return values;
}

class GeoTiffTest : public testing::Test {
protected:
    static void SetUpTestSuite() {
        GDALAllRegister();
        folder_ = std::make_unique<QTemporaryDir>();
        AbiSampleOptions sample;
        sample.size = kSize;
        received_ = WriteAbiSample(sample, folder_->filePath(""));
        TExtBitmap bitmap;
        bitmap.SetPixelFormat(TPixelFormat::pf8bit);
        float longitude = 0;
        std::optional<AbiGeolocation> geolocation;
        const std::optional<AbiFileInfo> name = DecodeAbiFileName(received_);
        ASSERT_TRUE(ReadAbiImage(AbiReadRequest::ByName(received_), bitmap, longitude, &geolocation));
        images_ = folder_->filePath("images");
        ASSERT_TRUE(QDir().mkpath(images_));
        ImageFileSaves saves;
        saves.pngPath = images_ + "/disk.png";
        saves.geoTiffPath = images_ + "/disk.tif";
        saves.geoTiff = {geolocation, "GOES-16", "B13"};
        saves.startTime = name->startTime;
        const ImageFilesSaved saved = SaveImageFiles(bitmap, saves);
        ASSERT_TRUE(saved.png);
        ASSERT_TRUE(saved.geoTiff) << qPrintable(saved.geoTiff.failure().message);
    }
    static void TearDownTestSuite() { folder_.reset(); }

    void SetUp() override {
        geoTiff_ = Open(images_ + "/disk.tif");
        ASSERT_TRUE(geoTiff_);
        ASSERT_EQ(geoTiff_->GetRasterCount(), 1);
        band_ = geoTiff_->GetRasterBand(1);
    }

    // The radiance variable as GDAL's netCDF driver sees the received file.
    static Dataset NetCdfRadiance() { return Open("NETCDF:\"" + received_ + "\":Rad"); }

    static inline std::unique_ptr<QTemporaryDir> folder_;
    static inline QString received_, images_;
    Dataset geoTiff_;
    GDALRasterBand* band_ = nullptr;
};

} // namespace

TEST_F(GeoTiffTest, ReferenceSystemIsTheGeostationaryProjectionSweepingX) {
    const OGRSpatialReference* crs = geoTiff_->GetSpatialRef();
    ASSERT_NE(crs, nullptr);
    EXPECT_TRUE(crs->IsProjected());
    char* proj4 = nullptr;
    ASSERT_EQ(crs->exportToProj4(&proj4), OGRERR_NONE);
    const QString text = QString::fromUtf8(proj4);
    CPLFree(proj4);
    for (const char* part : {"+proj=geos", "+sweep=x", "+h=35786023", "+lon_0=-75.2", "+units=m"})
        EXPECT_TRUE(text.split(' ').contains(part)) << qPrintable(text) << " lacks " << part;
    EXPECT_NEAR(crs->GetSemiMajor(), 6378137.0, 1e-6);
    EXPECT_NEAR(crs->GetSemiMinor(), 6356752.31414, 1e-3);
}

TEST_F(GeoTiffTest, GeoTransformIsTheNetCdfDriversWithinAHundredthOfAPercentOfAPixel) {
    const Dataset netCdf = NetCdfRadiance();
    ASSERT_TRUE(netCdf);
    double expected[6] = {}, written[6] = {};
    ASSERT_EQ(netCdf->GetGeoTransform(expected), CE_None);
    ASSERT_EQ(geoTiff_->GetGeoTransform(written), CE_None);
    const double pixel = std::fabs(expected[1]);
    EXPECT_GT(pixel, 8000); // 224 µrad at 35 786 km: the netCDF driver did scale the angles
    for (int i = 0; i < 6; ++i) EXPECT_NEAR(written[i], expected[i], 1e-4 * pixel) << "coefficient " << i;
}

TEST_F(GeoTiffTest, GreyLevelsAreThoseOfThePng) {
    const Dataset png = Open(images_ + "/disk.png");
    ASSERT_TRUE(png);
    EXPECT_EQ(band_->GetRasterDataType(), GDT_Byte);
    EXPECT_EQ(band_->GetColorInterpretation(), GCI_GrayIndex);
    EXPECT_EQ(ReadBand<std::uint8_t>(band_), ReadBand<std::uint8_t>(png->GetRasterBand(1)));
}

TEST_F(GeoTiffTest, SpaceIsNoDataAndHoldsOnlyTheFilesFillValue) {
    ASSERT_EQ(band_->GetMaskFlags(), GMF_PER_DATASET);
    const std::vector<std::uint8_t> mask = ReadBand<std::uint8_t>(band_->GetMaskBand());
    const Dataset netCdf = NetCdfRadiance();
    ASSERT_TRUE(netCdf);
    const std::vector<std::uint16_t> counts = ReadBand<std::uint16_t>(netCdf->GetRasterBand(1));
    ASSERT_EQ(mask.size(), counts.size());
    std::size_t space = 0;
    for (std::size_t i = 0; i < mask.size(); ++i) {
        ASSERT_TRUE(mask[i] == 0 || mask[i] == 255) << "pixel " << i;
        // What the file holds as data is never masked; what is masked is the file's fill.
        if (counts[i] != kBand13Fill) {
            ASSERT_EQ(mask[i], 255) << "pixel " << i;
        }
        if (mask[i] == 0) {
            ASSERT_EQ(counts[i], kBand13Fill) << "pixel " << i;
        }
        space += mask[i] == 0;
    }
    // Beyond the Earth's limb: a fifth of the grid (GeoTiffGeometry holds the limb against PROJ's).
    EXPECT_GT(space, mask.size() / 6);
    EXPECT_LT(space, mask.size() / 4);
}

TEST_F(GeoTiffTest, TiledDeflatedCloudOptimizedWithOverviewsOfTheImageAndItsMask) {
    int blockWidth = 0, blockHeight = 0;
    band_->GetBlockSize(&blockWidth, &blockHeight);
    EXPECT_EQ(blockWidth, 512);
    EXPECT_EQ(blockHeight, 512);
    EXPECT_STREQ(geoTiff_->GetMetadataItem("COMPRESSION", "IMAGE_STRUCTURE"), "DEFLATE");
    EXPECT_STREQ(geoTiff_->GetMetadataItem("LAYOUT", "IMAGE_STRUCTURE"), "COG");
    ASSERT_EQ(band_->GetOverviewCount(), 2);
    EXPECT_EQ(band_->GetMaskBand()->GetOverviewCount(), 2);
    EXPECT_EQ(band_->GetOverview(0)->GetXSize(), 678);
    EXPECT_EQ(band_->GetOverview(1)->GetYSize(), 339);

    // Each valid pixel of the first overview is the mean of the four it covers.
    const std::vector<std::uint8_t> full = ReadBand<std::uint8_t>(band_);
    const std::vector<std::uint8_t> half = ReadBand<std::uint8_t>(band_->GetOverview(0));
    const std::vector<std::uint8_t> halfMask = ReadBand<std::uint8_t>(band_->GetMaskBand()->GetOverview(0));
    int valid = 0;
    for (int row = 0; row < kSize / 2; ++row)
        for (int column = 0; column < kSize / 2; ++column) {
            const std::size_t at = static_cast<std::size_t>(row * kSize / 2 + column);
            if (halfMask[at] == 0) continue;
            ++valid;
            const auto pixel = [&](int y, int x) { return full[static_cast<std::size_t>(y * kSize + x)]; };
            const double mean = (pixel(2 * row, 2 * column) + pixel(2 * row, 2 * column + 1) +
                                 pixel(2 * row + 1, 2 * column) + pixel(2 * row + 1, 2 * column + 1)) /
                                4.0;
            ASSERT_NEAR(half[at], mean, 0.5) << "row " << row << " column " << column;
        }
    EXPECT_GT(valid, kSize * kSize / 4 * 3 / 4);
}

TEST_F(GeoTiffTest, MetadataHoldTheScanStartTheSatelliteAndTheBand) {
    EXPECT_STREQ(geoTiff_->GetMetadataItem("TIFFTAG_DATETIME"), "2025:01:21 20:02:00");
    EXPECT_STREQ(geoTiff_->GetMetadataItem("SCAN_START"), "2025-01-21T20:02:00Z");
    EXPECT_STREQ(geoTiff_->GetMetadataItem("SATELLITE"), "GOES-16");
    EXPECT_STREQ(geoTiff_->GetMetadataItem("BAND"), "B13");
    EXPECT_STREQ(geoTiff_->GetMetadataItem("TIFFTAG_SOFTWARE"), "Nimbrel's Stratolux");
}

TEST_F(GeoTiffTest, NothingLiesBesideThePublishedFiles) {
    EXPECT_EQ(QDir(images_).entryList(QDir::Files | QDir::Hidden), QStringList({"disk.png", "disk.tif"}));
}

// PROJ itself tells which pixel centres lie on the Earth: its inverse projection fails for the others.
TEST(GeoTiffGeometry, EarthColumnsAreWherePROJFindsTheEarthForEitherSweep) {
    CPLPushErrorHandler(CPLQuietErrorHandler); // PROJ's report of every point in space
    for (const char sweep : {'x', 'y'}) {
        constexpr int kGrid = 151;
        const double step = 2 * 0.1519 / kGrid;
        const AbiGeolocation geolocation{35786023.0,
                                         6378137.0,
                                         6356752.31414,
                                         0.0,
                                         sweep,
                                         {step, -0.1519 + step / 2},
                                         {-step, 0.1519 - step / 2}};
        OGRSpatialReference geos, lonLat;
        ASSERT_EQ(geos.importFromProj4(ProjString(geolocation).toUtf8().constData()), OGRERR_NONE);
        ASSERT_EQ(lonLat.importFromEPSG(4326), OGRERR_NONE);
        lonLat.SetAxisMappingStrategy(OAMS_TRADITIONAL_GIS_ORDER);
        const std::unique_ptr<OGRCoordinateTransformation> inverse(
            OGRCreateCoordinateTransformation(&geos, &lonLat));
        ASSERT_TRUE(inverse);
        const std::vector<ColumnSpan> earth = EarthColumns(geolocation, kGrid, kGrid);
        const std::array<double, 6> corner = GeoTransform(geolocation);
        QStringList disagreeing;
        int onEarthCount = 0;
        for (int row = 0; row < kGrid; ++row)
            for (int column = 0; column < kGrid; ++column) {
                double x = corner[0] + (column + 0.5) * corner[1], y = corner[3] + (row + 0.5) * corner[5];
                const bool onEarth = inverse->Transform(1, &x, &y) && std::isfinite(x) && std::isfinite(y);
                const ColumnSpan span = earth[static_cast<std::size_t>(row)];
                onEarthCount += onEarth;
                if (onEarth != (column >= span.first && column < span.end))
                    disagreeing << QStringLiteral("(%1, %2)").arg(row).arg(column);
            }
        EXPECT_EQ(disagreeing, QStringList()) << "sweep " << sweep;
        EXPECT_GT(onEarthCount, kGrid * kGrid * 3 / 4) << "sweep " << sweep;
    }
    CPLPopErrorHandler();
}

TEST(GeoTiffWriting, WhatGdalCannotDoFailsWithItsReason) {
    QTemporaryDir folder;
    TExtBitmap bitmap;
    bitmap.SetPixelFormat(TPixelFormat::pf8bit);
    bitmap.SetSize(8, 8);
    GeoTiffDescription description{"+proj=geos +h=35786023 +sweep=x", {0, 1, 0, 0, 0, -1}, {}, {}};
    EXPECT_TRUE(SaveBitmapAsGeoTiff(bitmap, folder.filePath("a.tif"), description));

    GeoTiffDescription unknown = description;
    unknown.crs = "+proj=nowhere";
    const Status refused = SaveBitmapAsGeoTiff(bitmap, folder.filePath("b.tif"), unknown);
    ASSERT_FALSE(refused);
    EXPECT_EQ(refused.failure().code, FailureCode::CannotWrite);

    const Status nowhere = SaveBitmapAsGeoTiff(bitmap, folder.filePath("missing/c.tif"), description);
    ASSERT_FALSE(nowhere);
    EXPECT_FALSE(nowhere.failure().message.isEmpty());

    TExtBitmap colour;
    colour.SetPixelFormat(TPixelFormat::pf24bit);
    colour.SetSize(8, 8);
    EXPECT_FALSE(SaveBitmapAsGeoTiff(colour, folder.filePath("d.tif"), description));
}

// A COG's tiles are compressed on GDAL's own threads, which report to no handler of the save's.
TEST(GdalFailures, AFailureOnOneOfGdalsThreadsFailsTheWorkUnderWay) {
    PrepareGdal();
    const GdalFailures failures;
    EXPECT_FALSE(failures.First());
    std::thread([] { CPLError(CE_Failure, CPLE_OutOfMemory, "out of memory"); }).join();
    EXPECT_TRUE(failures.First());
}
