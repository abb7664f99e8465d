// The ABI fixed grid of scan angles as the satellite sees the Earth: the full-disk grid always spans the same
// angles, so a smaller image has a coarser step; and the Earth's ellipsoid seen from the satellite's height.
#pragma once

#include <optional>
#include <utility>

struct AbiFixedGrid {
    static constexpr double kHalfExtent = 0.151872;        // radians from the centre to the grid's edge
    static constexpr double kSatelliteHeight = 35786023.0; // metres above the equator
    static constexpr double kEquatorialRadius = 6378137.0; // GRS 80, metres
    static constexpr double kPolarRadius = 6356752.31414;  // metres

    explicit AbiFixedGrid(int size) : size(size), step(2 * kHalfExtent / size) {}
    double FirstCentre() const { return -kHalfExtent + step / 2; }
    // The scan angle of pixel `index` from the centre, as a reader computes it from the file's coordinate
    // variable: the scale and offset are stored as floats.
    double Angle(int index) const;
    // The first and last column whose line of sight meets the Earth in row `row`; none when the whole row
    // looks into space.
    std::optional<std::pair<int, int>> EarthColumns(int row) const;

    int size;
    double step; // radians between pixel centres (56 µrad on the 2 km full-disk grid)
};
