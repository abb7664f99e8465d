// Value noise on an integer lattice hashed from the coordinates.
#include "SmoothNoise.h"

#include "SampleRandom.h"

#include <algorithm>
#include <cmath>

namespace {

// The value of a lattice point in [-1, 1], from the hash of its column (x, y) and its height z.
float LatticeValue(uint32_t columnHash, int64_t z) {
    return 2.0f * UnitFloat(Hash32(columnHash, static_cast<uint32_t>(z))) - 1.0f;
}

double SmoothStep(double t) {
    return t * t * (3.0 - 2.0 * t);
}

double Lerp(double a, double b, double t) {
    return a + (b - a) * t;
}

} // namespace

float ValueNoise(double x, double y, double z, uint32_t seed) {
    const double fx = std::floor(x), fy = std::floor(y), fz = std::floor(z);
    const auto ix = static_cast<int64_t>(fx), iy = static_cast<int64_t>(fy), iz = static_cast<int64_t>(fz);
    const double tx = SmoothStep(x - fx), ty = SmoothStep(y - fy), tz = SmoothStep(z - fz);
    const auto column = [seed](int64_t cx, int64_t cy) {
        return Hash32(seed, static_cast<uint32_t>(cx), static_cast<uint32_t>(cy));
    };
    const uint32_t columns[4] = {column(ix, iy), column(ix + 1, iy), column(ix, iy + 1),
                                 column(ix + 1, iy + 1)};
    double layers[2];
    for (int dz = 0; dz < 2; ++dz) {
        const double top = Lerp(LatticeValue(columns[0], iz + dz), LatticeValue(columns[1], iz + dz), tx);
        const double bottom = Lerp(LatticeValue(columns[2], iz + dz), LatticeValue(columns[3], iz + dz), tx);
        layers[dz] = Lerp(top, bottom, ty);
    }
    return static_cast<float>(Lerp(layers[0], layers[1], tz));
}

float FractalNoise(double x, double y, double z, int octaves, uint32_t seed) {
    // Each octave is turned and shifted against the one before, so that the lattice planes of the octaves
    // never line up into visible seams.
    constexpr double kCos = 0.8, kSin = 0.6;
    double sum = 0, amplitude = 1, total = 0;
    for (int octave = 0; octave < octaves; ++octave) {
        sum += amplitude * ValueNoise(x, y, z, Hash32(seed, octave));
        total += amplitude;
        amplitude *= 0.5;
        const double turnedX = kCos * x - kSin * z, turnedZ = kSin * x + kCos * z;
        const double turnedY = kCos * y - kSin * turnedZ;
        z = 2.0 * (kSin * y + kCos * turnedZ) + 0.37;
        x = 2.0 * turnedX + 0.71;
        y = 2.0 * turnedY + 0.53;
    }
    // Sums of independent octaves rarely reach their bound; stretch so the field uses most of [-1, 1].
    return static_cast<float>(std::clamp(1.6 * sum / total, -1.0, 1.0));
}

DetailTile::DetailTile(uint32_t seed) : values_(kEdge * kEdge) {
    // Smooth the white noise a little so neighbouring cells are related, keeping the tile periodic.
    std::vector<float> white(kEdge * kEdge);
    for (uint32_t i = 0; i < white.size(); ++i) white[i] = 2.0f * UnitFloat(Hash32(seed, i)) - 1.0f;
    for (uint32_t y = 0; y < kEdge; ++y)
        for (uint32_t x = 0; x < kEdge; ++x) {
            float sum = 0;
            for (uint32_t dy = 0; dy < 3; ++dy)
                for (uint32_t dx = 0; dx < 3; ++dx)
                    sum += white[((y + dy + kMask) & kMask) * kEdge + ((x + dx + kMask) & kMask)];
            values_[y * kEdge + x] = std::clamp(sum / 3.0f, -1.0f, 1.0f);
        }
}
