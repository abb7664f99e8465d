// Scan angles of the fixed grid and the Earth's outline in it.
#include "AbiFixedGrid.h"

#include <algorithm>
#include <cmath>

double AbiFixedGrid::Angle(int index) const {
    return static_cast<double>(static_cast<float>(FirstCentre())) +
           index * static_cast<double>(static_cast<float>(step));
}

std::optional<std::pair<int, int>> AbiFixedGrid::EarthColumns(int row) const {
    // The line of sight at east-west angle x and north-south angle y (x turned last, as GOES sweeps) meets
    // the ellipsoid where a quadratic in the distance has a root: tan² x <= H² cos² y / c - k, with H the
    // satellite's distance from the Earth's centre, c = H² - a² and k = cos² y + (a / b)² sin² y.
    const double distance = kSatelliteHeight + kEquatorialRadius;
    const double c = distance * distance - kEquatorialRadius * kEquatorialRadius;
    const double y = Angle(row);
    const double ratio = kEquatorialRadius / kPolarRadius;
    const double k = std::cos(y) * std::cos(y) + ratio * ratio * std::sin(y) * std::sin(y);
    const double largestTangent2 = distance * distance * std::cos(y) * std::cos(y) / c - k;
    if (largestTangent2 < 0) return std::nullopt;
    const double largest = std::atan(std::sqrt(largestTangent2));
    int first = 0;
    while (first < size && std::fabs(Angle(first)) > largest) ++first;
    if (first == size) return std::nullopt;
    int last = size - 1;
    while (std::fabs(Angle(last)) > largest) --last;
    return std::pair{first, last};
}
