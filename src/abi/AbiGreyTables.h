// Count-to-grey tables of ABI images: the brightness-temperature scale of the infrared bands (cold is white,
// warm is black) and the linear stretch of the visible and near-infrared bands.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

// One grey level for every 16-bit count.
inline constexpr std::size_t kCountRange = 65536;
using GreyTable = std::vector<std::uint8_t>;

bool IsInfraredBand(int bandIndex);

// 255 below 163 K, one grey level per kelvin down to 176 at 242 K, two per kelvin down to 0 at 330 K;
// halves round to the even neighbour.
std::uint8_t TemperatureToPixel(double kelvin);

// The brightness temperature in kelvin of a radiance of an infrared band (inverse Planck function with the
// band's fixed constants); 0 for a radiance that is not positive.
double BrightnessTemperature(int bandIndex, double radiance);

// Every count below the fill value gets the grey of its brightness temperature; the fill value and every
// count above it are white.
GreyTable InfraredGreyTable(int bandIndex, std::int32_t fillValue, double scaleFactor, double addOffset);

// The largest count below the fill value; 0 when there is none.
std::uint16_t LargestCountBelow(std::span<const std::uint16_t> counts, std::int32_t fillValue);

// Stretches counts 0 … largestCount to black … white (gamma 1 is linear, larger values brighten the dark
// end; a gamma that is not positive counts as 1); larger counts are black.
GreyTable VisibleGreyTable(std::uint16_t largestCount, float gamma);
