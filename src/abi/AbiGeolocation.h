// Where an ABI image lies on the Earth: the geostationary projection of the file's goes_imager_projection and
// the scan angles of its pixel centres from the x and y coordinate variables, as the header holds them.
#pragma once

#include "ColumnSpan.h"

#include <QString>
#include <array>
#include <vector>

// The scan angle of pixel i's centre is offset + i × scale, in radians.
struct FixedGridAxis {
    double scale = 0;
    double offset = 0;

    friend bool operator==(const FixedGridAxis&, const FixedGridAxis&) = default;
};

struct AbiGeolocation {
    double perspectivePointHeight = 0;      // metres above the ellipsoid
    double semiMajorAxis = 0;               // metres
    double semiMinorAxis = 0;               // metres
    double longitudeOfProjectionOrigin = 0; // degrees east
    char sweepAngleAxis = 'x';              // 'x' (GOES) or 'y'
    FixedGridAxis x;                        // columns, west to east
    FixedGridAxis y;                        // rows, north to south on a GOES image (a negative scale)

    friend bool operator==(const AbiGeolocation&, const AbiGeolocation&) = default;
};

// Whether the values describe a projection at all: finite, a satellite above an ellipsoid that is not
// wider at the poles than at the equator, a sweep axis of x or y and angles that change from pixel to pixel.
bool IsUsable(const AbiGeolocation& geolocation);

// "+proj=geos +h=35786023 +a=6378137 +b=6356752.31414 +lon_0=-75.2 +sweep=x +units=m +no_defs": each number
// written with the fewest digits that read back as the same double.
QString ProjString(const AbiGeolocation& geolocation);

// The affine transform from pixel corners to projected metres, in GDAL's order (x origin, x step, 0, y
// origin, 0, y step): the scan angles times the satellite's height, the origin half a pixel outside the first
// centre.
std::array<double, 6> GeoTransform(const AbiGeolocation& geolocation);

// For each of `height` rows of `width` pixels, the columns whose centre's line of sight meets the Earth's
// ellipsoid; the rest of the row looks past the Earth into space.
std::vector<ColumnSpan> EarthColumns(const AbiGeolocation& geolocation, int width, int height);
