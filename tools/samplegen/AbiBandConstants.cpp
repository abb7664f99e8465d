// Per-band constants of the ABI L1b products.
#include "AbiBandConstants.h"

#include <array>
#include <cmath>
#include <numbers>
#include <stdexcept>
#include <string>

namespace {

struct BandConstants {
    double scaleFactor;
    double addOffset;
    int bitDepth;
    int fullDiskSize;
    float wavelength;
    double solarIrradiance;
    AbiPlanckConstants planck;
};

constexpr std::array<BandConstants, kAbiBandCount> kBands = {{
    {0.8121064, -25.936647, 10, 10848, 0.47f, 2017.1648, {}},
    {0.15859237, -20.289911, 12, 21696, 0.64f, 1631.3351, {}},
    {0.37691253, -12.037643, 10, 10848, 0.865f, 957.0699, {}},
    {0.07073108, -4.5223684, 11, 5424, 1.378f, 360.90176, {}},
    {0.09580004, -3.0596066, 10, 10848, 1.61f, 242.54037, {}},
    {0.030088475, -0.96095526, 10, 5424, 2.25f, 76.8999, {}},
    {0.001564351, -0.0376, 14, 5424, 3.89f, 0, {200774.0, 3689.09, 0.50777, 0.99929}},
    {0.022539101, -0.5586, 12, 5424, 6.17f, 0, {50361.4, 2326.57, 2.12504, 0.99541}},
    {0.02004958, -0.8236, 11, 5424, 6.93f, 0, {35494.0, 2070.47, 0.33291, 0.9992}},
    {0.03335333, -0.9561, 12, 5424, 7.34f, 0, {30092.5, 1959.61, 0.06984, 0.99983}},
    {0.05443994, -1.3022, 12, 5424, 8.44f, 0, {19373.3, 1692.07, 0.17462, 0.99951}},
    {0.05102598, -1.5394, 11, 5424, 9.61f, 0, {13438.2, 1497.84, 0.10861, 0.99966}},
    {0.04572892, -1.6443, 12, 5424, 10.33f, 0, {10736.4, 1389.86, 0.13445, 0.99955}},
    {0.04990382, -1.7187, 12, 5424, 11.21f, 0, {8483.1, 1284.9, 0.25361, 0.9991}},
    {0.05653882, -1.7385, 12, 5424, 12.29f, 0, {6401.46, 1169.8, 0.27049, 0.99894}},
    {0.04752071, -1.2952, 12, 5424, 13.28f, 0, {5066.03, 1082.03, 0.07574, 0.99968}},
}};

const BandConstants& Band(int band) {
    if (!IsAbiBand(band)) throw std::runtime_error("ABI band " + std::to_string(band) + " is not in 1..16");
    return kBands[band - 1];
}

} // namespace

AbiBandCalibration BandCalibration(int band) {
    const BandConstants& constants = Band(band);
    const auto fill = static_cast<uint16_t>((1u << constants.bitDepth) - 1);
    return {constants.scaleFactor, constants.addOffset, constants.bitDepth, fill,
            static_cast<uint16_t>(fill - 1)};
}

int FullDiskSize(int band) {
    return Band(band).fullDiskSize;
}

float BandWavelength(int band) {
    return Band(band).wavelength;
}

double BandSolarIrradiance(int band) {
    return Band(band).solarIrradiance;
}

AbiPlanckConstants BandPlanckConstants(int band) {
    return Band(band).planck;
}

double EarthSunDistance(int dayOfYear) {
    return 1.0 - 0.01672 * std::cos(2.0 * std::numbers::pi * (dayOfYear - 4) / 365.256);
}

double BandKappa0(int band, int dayOfYear) {
    const double distance = EarthSunDistance(dayOfYear);
    return std::numbers::pi * distance * distance / BandSolarIrradiance(band);
}

double RadianceFromTemperature(const AbiPlanckConstants& planck, double kelvin) {
    // The inverse of T = (fk2 / ln(fk1 / L + 1) - bc1) / bc2.
    return planck.fk1 / std::expm1(planck.fk2 / (planck.bc1 + planck.bc2 * kelvin));
}
