// A plausible, band-independent state of the Earth as the satellite sees it: surface, ice, clouds and
// upper-air moisture, smooth fields that drift slowly with time.
#pragma once

#include <QDateTime>
#include <cstdint>

struct EarthState {
    float surfaceTemperature; // K
    float land;               // 0 ocean .. 1 land
    float ice;                // 0 .. 1
    float cloud;              // cloud cover 0 .. 1
    float cloudHeight;        // 0 low .. 1 deep convection
    float cloudTop;           // cloud top temperature, K
    float moisture;           // upper-air humidity -1 dry .. 1 moist
};

class EarthModel {
public:
    // The land depends on the seed, the clouds also on the time; longitude is the sub-satellite longitude.
    EarthModel(uint32_t seed, double longitudeDegrees, const QDateTime& time);

    // The state at a point of the Earth's disk: u to the east, v to the south, u² + v² < 1.
    EarthState At(double u, double v) const;

private:
    uint32_t seed_;
    double longitude_; // radians
    double drift_;     // noise lattice units the clouds have moved
};
