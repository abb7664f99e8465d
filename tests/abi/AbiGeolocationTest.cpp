// The geolocation the reader takes from a file's header, and what follows from it: the PROJ string, the
// geotransform and the part of each row that shows the Earth.
#include "AbiGeolocation.h"
#include "AbiBitmap.h"
#include "AbiSample.h"
#include "AbiTestImage.h"
#include "BMPExtImage.h"
#include "NetCdfEdits.h"

#include <netcdf.h>

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

// A 2 km full disk of GOES-East as the issue and the operational files give it.
const AbiGeolocation kGoesEast{35786023.0,           6378137.0,           6356752.31414, -75.2, 'x',
                               {5.6e-05, -0.151844}, {-5.6e-05, 0.151844}};

double Attribute(int file, const char* variable, const char* name) {
    int id = -1;
    double value = std::nan("");
    if (nc_inq_varid(file, variable, &id) == NC_NOERR) (void)nc_get_att_double(file, id, name, &value);
    return value;
}

class AbiGeolocationTest : public testing::Test {
protected:
    // Reads the file as the program does and gives its geolocation; the read must succeed.
    std::optional<AbiGeolocation> Read(const QString& path) {
        TExtBitmap bitmap;
        bitmap.SetPixelFormat(TPixelFormat::pf8bit);
        float longitude = 0;
        std::optional<AbiGeolocation> geolocation;
        EXPECT_TRUE(ReadAbiImage(AbiReadRequest::ByName(path), bitmap, longitude, &geolocation));
        return geolocation;
    }

    QString Sample(int size = 120, float longitude = -137.2f) {
        AbiSampleOptions options;
        options.size = size;
        options.longitude = longitude;
        return WriteAbiSample(options, dir_.path());
    }

    QTemporaryDir dir_;
};

} // namespace

TEST_F(AbiGeolocationTest, HeaderGivesTheProjectionAndTheCoordinatesAsTheFileHoldsThem) {
    const QString path = Sample();
    const std::optional<AbiGeolocation> read = Read(path);
    ASSERT_TRUE(read);
    int file = -1;
    ASSERT_EQ(nc_open(QFile::encodeName(path).constData(), NC_NOWRITE, &file), NC_NOERR);
    EXPECT_EQ(read->perspectivePointHeight,
              Attribute(file, "goes_imager_projection", "perspective_point_height"));
    EXPECT_EQ(read->semiMajorAxis, Attribute(file, "goes_imager_projection", "semi_major_axis"));
    EXPECT_EQ(read->semiMinorAxis, Attribute(file, "goes_imager_projection", "semi_minor_axis"));
    EXPECT_EQ(read->longitudeOfProjectionOrigin,
              Attribute(file, "goes_imager_projection", "longitude_of_projection_origin"));
    EXPECT_EQ(read->x,
              (FixedGridAxis{Attribute(file, "x", "scale_factor"), Attribute(file, "x", "add_offset")}));
    EXPECT_EQ(read->y,
              (FixedGridAxis{Attribute(file, "y", "scale_factor"), Attribute(file, "y", "add_offset")}));
    nc_close(file);
    EXPECT_EQ(read->sweepAngleAxis, 'x');
    EXPECT_EQ(read->longitudeOfProjectionOrigin, -137.2);
    EXPECT_EQ(read->perspectivePointHeight, 35786023.0);
}

TEST_F(AbiGeolocationTest, FileWithoutTheWholeProjectionHasNone) {
    for (const auto& [variable, name] : {std::pair{"goes_imager_projection", "perspective_point_height"},
                                         std::pair{"goes_imager_projection", "semi_minor_axis"},
                                         std::pair{"goes_imager_projection", "sweep_angle_axis"},
                                         std::pair{"x", "scale_factor"}, std::pair{"y", "add_offset"}}) {
        QTemporaryDir folder;
        AbiSampleOptions options;
        options.size = 60;
        const QString path = WriteAbiSample(options, folder.path());
        ASSERT_TRUE(DeleteNetCdfAttribute(path, variable, name));
        EXPECT_FALSE(Read(path)) << variable << ":" << name;
    }
    // A file of the radiances alone reads as before, without a geolocation.
    AbiTestImage bare;
    bare.counts = {1, 2, 3, 4, 5, 6, 7, 8};
    EXPECT_FALSE(Read(WriteAbiTestImage(bare, dir_.path())));
}

TEST(AbiGeolocation, ProjStringIsTheGeostationaryProjectionWithItsSweep) {
    EXPECT_EQ(ProjString(kGoesEast),
              "+proj=geos +h=35786023 +a=6378137 +b=6356752.31414 +lon_0=-75.2 +sweep=x +units=m +no_defs");
    AbiGeolocation meteosat = kGoesEast;
    meteosat.sweepAngleAxis = 'y';
    meteosat.longitudeOfProjectionOrigin = 0;
    EXPECT_EQ(ProjString(meteosat),
              "+proj=geos +h=35786023 +a=6378137 +b=6356752.31414 +lon_0=0 +sweep=y +units=m +no_defs");
}

TEST(AbiGeolocation, GeoTransformPutsTheCornersHalfAPixelOutsideTheFirstAndLastCentres) {
    const std::array<double, 6> transform = GeoTransform(kGoesEast);
    // 56 µrad at 35 786 023 m: 2004.017288 m a pixel; the grid's edge at 0.151872 rad.
    EXPECT_NEAR(transform[1], 2004.017288, 1e-6);
    EXPECT_NEAR(transform[5], -2004.017288, 1e-6);
    EXPECT_NEAR(transform[0], -0.151872 * 35786023.0, 1e-6);
    EXPECT_NEAR(transform[3], 0.151872 * 35786023.0, 1e-6);
    EXPECT_EQ(transform[2], 0);
    EXPECT_EQ(transform[4], 0);
    // The last pixel's far corner lies as far out on the other side.
    EXPECT_NEAR(transform[0] + 5424 * transform[1], 0.151872 * 35786023.0, 1e-6);
}

// How far the line of sight of a pixel centre passes from the Earth: the least value of (x² + y²) / a² + z² /
// b² along it, below 1 for a line that meets the ellipsoid. The satellite stands on the x axis, and turns
// first north-south, then east-west.
double LeastEllipsoidValue(const AbiGeolocation& g, int row, int column) {
    const double a = g.semiMajorAxis, b = g.semiMinorAxis, distance = g.perspectivePointHeight + a;
    const double east = g.x.offset + column * g.x.scale, north = g.y.offset + row * g.y.scale;
    const double dx = -std::cos(east) * std::cos(north), dy = std::sin(east),
                 dz = std::cos(east) * std::sin(north);
    // q(t) = ((distance + t dx)² + (t dy)²) / a² + (t dz)² / b², a parabola in t.
    const double second = (dx * dx + dy * dy) / (a * a) + dz * dz / (b * b);
    const double first = 2 * distance * dx / (a * a);
    return distance * distance / (a * a) - first * first / (4 * second);
}

TEST_F(AbiGeolocationTest, EarthColumnsAreWhereTheLineOfSightMeetsTheEllipsoid) {
    for (const int size : {120, 333}) {
        AbiSampleOptions options;
        options.size = size;
        const QString path = WriteAbiSample(options, dir_.path());
        const std::optional<AbiGeolocation> read = Read(path);
        ASSERT_TRUE(read);
        std::vector<std::uint16_t> counts(static_cast<std::size_t>(size) * static_cast<std::size_t>(size));
        int file = -1, rad = -1;
        ASSERT_EQ(nc_open(QFile::encodeName(path).constData(), NC_NOWRITE, &file), NC_NOERR);
        ASSERT_EQ(nc_inq_varid(file, "Rad", &rad), NC_NOERR);
        ASSERT_EQ(nc_get_var_ushort(file, rad, counts.data()), NC_NOERR);
        nc_close(file);

        const std::vector<ColumnSpan> earth = EarthColumns(*read, size, size);
        ASSERT_EQ(earth.size(), static_cast<std::size_t>(size));
        for (int row = 0; row < size; ++row) {
            const ColumnSpan span = earth[static_cast<std::size_t>(row)];
            for (int column = 0; column < size; ++column) {
                const bool inSpan = column >= span.first && column < span.end;
                // Lines that graze the limb are left to floating point.
                const double least = LeastEllipsoidValue(*read, row, column);
                if (least < 0.9999 || least > 1.0001) {
                    ASSERT_EQ(inSpan, least < 1) << "size " << size << " row " << row << " column " << column;
                }
                // The generator's disk lies within the Earth's: its data never falls into space.
                if (counts[static_cast<std::size_t>(row * size + column)] != 4095) {
                    ASSERT_TRUE(inSpan) << "size " << size << " row " << row << " column " << column;
                }
            }
        }
        // The corners look into space; the equator's limb lies just beyond the grid's edge.
        for (const ColumnSpan& edge : {earth.front(), earth.back()})
            EXPECT_TRUE(edge.Empty() || (edge.first > 0 && edge.end < size));
        EXPECT_EQ(earth[static_cast<std::size_t>(size / 2)], (ColumnSpan{0, size}));
    }
}

TEST(AbiGeolocation, NoEarthColumnsWithoutAProjection) {
    AbiGeolocation none = kGoesEast;
    none.semiMajorAxis = 0;
    for (const ColumnSpan& span : EarthColumns(none, 10, 4)) EXPECT_TRUE(span.Empty());
}

TEST(AbiGeolocation, ExtremeValuesFromAFileKeepEveryRowWithinTheImage) {
    AbiGeolocation extreme = kGoesEast;
    extreme.y.scale = 1e308;
    extreme.y.offset = 1e308;
    for (const ColumnSpan& span : EarthColumns(extreme, 10, 4))
        EXPECT_TRUE(span.first >= 0 && span.first <= span.end && span.end <= 10)
            << span.first << " " << span.end;
}
