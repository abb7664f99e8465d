// How one ABI band renders the Earth's state: brightness temperature for the emissive bands, reflectance for
// the reflective ones, and the table from that value to the band's radiance counts.
#pragma once

#include "AbiBandConstants.h"
#include "EarthModel.h"

#include <algorithm>
#include <cstdint>
#include <vector>

// The smooth part of a pixel's value and the amplitude of its fine texture.
struct AbiSceneLevel {
    float level;
    float texture;
};

class AbiBandAppearance {
public:
    AbiBandAppearance(int band, int dayOfYear);

    AbiSceneLevel Level(const EarthState& state) const;

    // A pixel's value: the smooth level plus its texture, dimmed or cooled towards the limb (mu is the
    // cosine of the viewing angle), plus noise in [-1, 1].
    float PixelValue(float level, float texture, float mu, float noise) const {
        return (level + texture) * (limbGain_ + (1.0f - limbGain_) * mu) + limbShift_ * (1.0f - mu) +
               noiseAmplitude_ * noise;
    }

    // The band's count for a value, never the fill value.
    uint16_t Count(float value) const {
        const float position = (value - lowestValue_) * stepsPerUnit_;
        const auto last = static_cast<float>(counts_.size() - 1);
        return counts_[static_cast<size_t>(std::clamp(position, 0.0f, last))];
    }

private:
    AbiSceneLevel EmissiveLevel(const EarthState& state) const;
    AbiSceneLevel ReflectiveLevel(const EarthState& state) const;

    int band_;
    float limbGain_;
    float limbShift_;
    float noiseAmplitude_;
    float lowestValue_;
    float stepsPerUnit_;
    std::vector<uint16_t> counts_;
};
