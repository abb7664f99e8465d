// Smooth pseudo-random fields: lattice value noise, its fractal sum, and a small periodic tile for
// pixel-scale texture.
#pragma once

#include <cstdint>
#include <vector>

// Noise in [-1, 1] that varies smoothly over about one unit of each coordinate.
float ValueNoise(double x, double y, double z, uint32_t seed);

// The sum of octaves of value noise, each twice the frequency and half the amplitude of the one before,
// normalised to about [-1, 1].
float FractalNoise(double x, double y, double z, int octaves, uint32_t seed);

// A periodic tile of smooth noise, sampled in tile cells; cheap enough to sample for every pixel.
class DetailTile {
public:
    explicit DetailTile(uint32_t seed);
    // Bilinear noise in [-1, 1] at non-negative cell coordinates.
    float At(float x, float y) const {
        const auto ix = static_cast<uint32_t>(x);
        const auto iy = static_cast<uint32_t>(y);
        const float fx = x - static_cast<float>(ix);
        const float fy = y - static_cast<float>(iy);
        const float* row0 = &values_[(iy & kMask) * kEdge];
        const float* row1 = &values_[((iy + 1) & kMask) * kEdge];
        const uint32_t x0 = ix & kMask, x1 = (ix + 1) & kMask;
        const float top = row0[x0] + (row0[x1] - row0[x0]) * fx;
        const float bottom = row1[x0] + (row1[x1] - row1[x0]) * fx;
        return top + (bottom - top) * fy;
    }

private:
    static constexpr uint32_t kEdge = 256;
    static constexpr uint32_t kMask = kEdge - 1;
    std::vector<float> values_;
};
