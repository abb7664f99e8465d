// The geostationary projection of an ABI image and the part of it that shows the Earth.
#include "AbiGeolocation.h"

#include <algorithm>
#include <charconv>
#include <cmath>

namespace {

QString Shortest(double value) {
    char text[32];
    const auto end = std::to_chars(text, text + sizeof text, value).ptr;
    return QString::fromLatin1(text, end - text);
}

bool Finite(std::initializer_list<double> values) {
    return std::all_of(values.begin(), values.end(), [](double value) { return std::isfinite(value); });
}

} // namespace

bool IsUsable(const AbiGeolocation& g) {
    return Finite({g.perspectivePointHeight, g.semiMajorAxis, g.semiMinorAxis, g.longitudeOfProjectionOrigin,
                   g.x.scale, g.x.offset, g.y.scale, g.y.offset}) &&
           g.perspectivePointHeight > 0 && g.semiMinorAxis > 0 && g.semiMinorAxis <= g.semiMajorAxis &&
           std::fabs(g.longitudeOfProjectionOrigin) <= 360 &&
           (g.sweepAngleAxis == 'x' || g.sweepAngleAxis == 'y') && g.x.scale != 0 && g.y.scale != 0;
}

QString ProjString(const AbiGeolocation& g) {
    return QStringLiteral("+proj=geos +h=%1 +a=%2 +b=%3 +lon_0=%4 +sweep=%5 +units=m +no_defs")
        .arg(Shortest(g.perspectivePointHeight), Shortest(g.semiMajorAxis), Shortest(g.semiMinorAxis),
             Shortest(g.longitudeOfProjectionOrigin), QChar::fromLatin1(g.sweepAngleAxis));
}

std::array<double, 6> GeoTransform(const AbiGeolocation& g) {
    const double h = g.perspectivePointHeight;
    return {(g.x.offset - g.x.scale / 2) * h,
            g.x.scale * h,
            0,
            (g.y.offset - g.y.scale / 2) * h,
            0,
            g.y.scale * h};
}

std::vector<ColumnSpan> EarthColumns(const AbiGeolocation& g, int width, int height) {
    std::vector<ColumnSpan> spans(static_cast<std::size_t>(std::max(height, 0)));
    if (!IsUsable(g) || width <= 0) return spans;
    // In equatorial radii: the satellite's distance from the Earth's centre, and the polar radius. A line of
    // sight with direction (-1, u, v) meets the ellipsoid when u² + (v / polar)² <= 1 / (distance² - 1);
    // its u and v follow from the two scan angles, the one of the sweep axis turned last.
    const double distance = (g.perspectivePointHeight + g.semiMajorAxis) / g.semiMajorAxis;
    const double reach = 1 / (distance * distance - 1);
    const double polar = g.semiMinorAxis / g.semiMajorAxis;
    for (int row = 0; row < height; ++row) {
        const double t = std::tan(g.y.offset + row * g.y.scale);
        const double northSouth = t * t / (polar * polar);
        // The largest tan² of the x angle that still meets the Earth in this row.
        const double bound = g.sweepAngleAxis == 'x' ? (reach - northSouth) / (1 + t * t)
                                                     : (reach - northSouth) / (1 + northSouth);
        // Also no Earth where a file's extreme values leave no number at all.
        if (!(bound >= 0)) continue;
        const double limit = std::atan(std::sqrt(bound));
        double low = (-limit - g.x.offset) / g.x.scale;
        double high = (limit - g.x.offset) / g.x.scale;
        if (low > high) std::swap(low, high);
        const double first = std::clamp(std::ceil(low), 0.0, static_cast<double>(width));
        const double end = std::clamp(std::floor(high) + 1, 0.0, static_cast<double>(width));
        spans[static_cast<std::size_t>(row)] = {static_cast<int>(first), static_cast<int>(end)};
    }
    return spans;
}
