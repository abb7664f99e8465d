// Classifies radiance counts into the data quality flags and gathers the pixel counts and radiance
// statistics that the product states.
#pragma once

#include "AbiBandConstants.h"

#include <cstddef>
#include <cstdint>
#include <vector>

inline constexpr int8_t kQualityGood = 0;
inline constexpr int8_t kQualityOutOfRange = 2;
inline constexpr int8_t kQualityNoValue = 3;
inline constexpr int8_t kQualityFill = -1; // 255 read as unsigned

struct AbiRadianceSummary {
    // Over the good pixels; all 0 when there is none.
    double minimum = 0, maximum = 0, mean = 0, standardDeviation = 0;
};

class AbiPixelTally {
public:
    explicit AbiPixelTally(const AbiBandCalibration& calibration);

    // Writes the quality flag of each count and counts it.
    void Classify(const uint16_t* counts, size_t pixelCount, int8_t* flags);
    // Loses the Earth's pixels among the counts, as a downlink that broke loses them: each that is not the
    // fill value becomes it, flagged "no value" and counted as missing.
    void Lose(uint16_t* counts, size_t pixelCount, int8_t* flags);

    uint64_t GoodPixels() const;
    uint64_t OutOfRangePixels() const;
    uint64_t MissingPixels() const { return missing_; }
    // Good pixels at the highest and at the lowest valid count.
    uint64_t SaturatedPixels() const { return histogram_[calibration_.validMax]; }
    uint64_t UndersaturatedPixels() const { return histogram_[0]; }
    // Shares of the Earth's pixels (good, out of range or missing), 0..1.
    float GoodShare() const;
    float OutOfRangeShare() const;
    float NoValueShare() const;
    AbiRadianceSummary Radiance() const;

private:
    float ShareOfEarth(uint64_t pixels) const;

    AbiBandCalibration calibration_;
    std::vector<uint64_t> histogram_; // every count 0..65535, the missing pixels' fill values not
    uint64_t missing_ = 0;
};
