// Small deterministic pseudo-random numbers: hashes of integer coordinates and a seeded sequence.
#pragma once

#include <cstdint>

// A well-mixing 32-bit integer hash.
constexpr uint32_t Mix32(uint32_t x) {
    x ^= x >> 16;
    x *= 0x7feb352dU;
    x ^= x >> 15;
    x *= 0x846ca68bU;
    x ^= x >> 16;
    return x;
}

constexpr uint32_t Hash32(uint32_t a, uint32_t b) {
    return Mix32(a ^ Mix32(b + 0x9e3779b9U));
}
constexpr uint32_t Hash32(uint32_t a, uint32_t b, uint32_t c) {
    return Hash32(Hash32(a, b), c);
}
constexpr uint32_t Hash32(uint32_t a, uint32_t b, uint32_t c, uint32_t d) {
    return Hash32(Hash32(a, b, c), d);
}

// Maps a hash to [0, 1).
constexpr float UnitFloat(uint32_t hash) {
    return static_cast<float>(hash >> 8) * (1.0f / 16777216.0f);
}

// A SplitMix64 sequence.
class SampleRandom {
public:
    explicit SampleRandom(uint64_t seed) : state_(seed) {}

    uint32_t Next() {
        uint64_t z = (state_ += 0x9e3779b97f4a7c15ULL);
        z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ULL;
        z = (z ^ (z >> 27)) * 0x94d049bb133111ebULL;
        return static_cast<uint32_t>((z ^ (z >> 31)) >> 32);
    }
    // [0, 1)
    float Uniform() { return UnitFloat(Next()); }
    // [-1, 1)
    float Symmetric() { return 2.0f * Uniform() - 1.0f; }

private:
    uint64_t state_;
};
