// Count-to-grey tables of ABI images, built once per file so that each pixel costs one look-up.
#include "AbiGreyTables.h"

#include "BandTables.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace {

struct PlanckConstants {
    double fk1, fk2, bc1, bc2;
};

// Indexed by band index; the same for every satellite.
constexpr std::array<PlanckConstants, kBandCount - kFirstInfraredBand> kPlanck = {{
    {200774.0, 3689.09, 0.50777, 0.99929}, // B07
    {50361.4, 2326.57, 2.12504, 0.99541},  // B08
    {35494.0, 2070.47, 0.33291, 0.9992},   // B09
    {30092.5, 1959.61, 0.06984, 0.99983},  // B10
    {19373.3, 1692.07, 0.17462, 0.99951},  // B11
    {13438.2, 1497.84, 0.10861, 0.99966},  // B12
    {10736.4, 1389.86, 0.13445, 0.99955},  // B13
    {8483.1, 1284.9, 0.25361, 0.9991},     // B14
    {6401.46, 1169.8, 0.27049, 0.99894},   // B15
    {5066.03, 1082.03, 0.07574, 0.99968},  // B16
}};

constexpr std::uint8_t kWhite = 255;

} // namespace

bool IsInfraredBand(int bandIndex) {
    return bandIndex >= kFirstInfraredBand && bandIndex < kBandCount;
}

std::uint8_t TemperatureToPixel(double kelvin) {
    if (kelvin < 163) return kWhite;
    // nearbyint rounds halves to the even neighbour in the default rounding mode.
    if (kelvin <= 242) return static_cast<std::uint8_t>(std::nearbyint(418 - kelvin));
    if (kelvin <= 330) return static_cast<std::uint8_t>(std::nearbyint(660 - 2 * kelvin));
    return 0;
}

double BrightnessTemperature(int bandIndex, double radiance) {
    if (!(radiance > 0)) return 0;
    const PlanckConstants& c = kPlanck.at(static_cast<std::size_t>(bandIndex - kFirstInfraredBand));
    const double a = std::log(c.fk1 / radiance + 1);
    return (c.fk2 / a - c.bc1) / c.bc2;
}

GreyTable InfraredGreyTable(int bandIndex, std::int32_t fillValue, double scaleFactor, double addOffset) {
    GreyTable table(kCountRange, kWhite);
    for (std::int32_t count = 0; count < fillValue; ++count)
        table[static_cast<std::size_t>(count)] =
            TemperatureToPixel(BrightnessTemperature(bandIndex, count * scaleFactor + addOffset));
    return table;
}

std::uint16_t LargestCountBelow(std::span<const std::uint16_t> counts, std::int32_t fillValue) {
    if (fillValue <= 0) return 0;
    const auto limit = static_cast<std::uint16_t>(std::min<std::int32_t>(fillValue, 0xFFFF));
    const auto validOrZero = [limit](std::uint16_t count) {
        return count < limit ? count : std::uint16_t{0};
    };
    // A running maximum per lane over fixed-size blocks: the compiler vectorises this even at -O2.
    constexpr std::size_t kLanes = 64;
    std::array<std::uint16_t, kLanes> lanes{};
    std::size_t i = 0;
    for (; i + kLanes <= counts.size(); i += kLanes)
        for (std::size_t lane = 0; lane < kLanes; ++lane)
            lanes[lane] = std::max(lanes[lane], validOrZero(counts[i + lane]));
    std::uint16_t largest = *std::max_element(lanes.begin(), lanes.end());
    for (; i < counts.size(); ++i) largest = std::max(largest, validOrZero(counts[i]));
    return largest;
}

GreyTable VisibleGreyTable(std::uint16_t largestCount, float gamma) {
    GreyTable table(kCountRange, 0);
    if (!(gamma > 0)) gamma = 1; // keeps every level within 0 … 1
    for (std::uint32_t count = 1; count <= largestCount; ++count) {
        const auto ratio = static_cast<float>(static_cast<double>(count) / largestCount);
        const auto level = static_cast<float>(std::exp(std::log(static_cast<double>(ratio)) / gamma));
        table[count] = static_cast<std::uint8_t>(static_cast<double>(level) * 255);
    }
    return table;
}
