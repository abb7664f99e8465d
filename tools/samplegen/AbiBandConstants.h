// Calibration and physical constants of the sixteen ABI bands as the operational L1b products carry them.
#pragma once

#include <cstdint>

struct AbiBandCalibration {
    double scaleFactor;
    double addOffset;
    int bitDepth;
    uint16_t fillValue; // 2^bitDepth - 1
    uint16_t validMax;  // fillValue - 1
};

// The constants of the emissive bands 7..16 that turn radiance into brightness temperature.
struct AbiPlanckConstants {
    double fk1, fk2, bc1, bc2;
};

inline constexpr int kAbiBandCount = 16;
inline constexpr int kFirstEmissiveBand = 7;

inline bool IsAbiBand(int band) {
    return band >= 1 && band <= kAbiBandCount;
}
inline bool IsEmissiveBand(int band) {
    return band >= kFirstEmissiveBand && band <= kAbiBandCount;
}

// All take band = 1..16 and throw std::runtime_error otherwise.
AbiBandCalibration BandCalibration(int band);
// 21696 (band 2), 10848 (bands 1, 3, 5), 5424 (the others): the full-disk grid at 0.5, 1 and 2 km.
int FullDiskSize(int band);
// Central wavelength in micrometres.
float BandWavelength(int band);
// Band-pass weighted solar irradiance (W m-2 um-1) of the reflective bands 1..6; 0 for the emissive bands.
double BandSolarIrradiance(int band);
// Zero for the reflective bands 1..6.
AbiPlanckConstants BandPlanckConstants(int band);

// Earth-Sun distance in astronomical units on a day of the year.
double EarthSunDistance(int dayOfYear);
// kappa0 of a reflective band: reflectance = kappa0 * radiance, on a day of the year.
double BandKappa0(int band, int dayOfYear);

// Radiance (mW m-2 sr-1 (cm-1)-1) that an emissive band sees from a black body at the temperature (K).
double RadianceFromTemperature(const AbiPlanckConstants& planck, double kelvin);
