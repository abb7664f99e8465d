// Quality flags, pixel counts and radiance statistics of the written counts.
#include "AbiPixelTally.h"

#include <algorithm>
#include <cmath>

AbiPixelTally::AbiPixelTally(const AbiBandCalibration& calibration)
    : calibration_(calibration), histogram_(65536, 0) {}

void AbiPixelTally::Classify(const uint16_t* counts, size_t pixelCount, int8_t* flags) {
    const uint16_t fill = calibration_.fillValue;
    const uint16_t validMax = calibration_.validMax;
    for (size_t i = 0; i < pixelCount; ++i) {
        const uint16_t count = counts[i];
        ++histogram_[count];
        flags[i] = count == fill ? kQualityFill : (count > validMax ? kQualityOutOfRange : kQualityGood);
    }
}

void AbiPixelTally::Lose(uint16_t* counts, size_t pixelCount, int8_t* flags) {
    const uint16_t fill = calibration_.fillValue;
    for (size_t i = 0; i < pixelCount; ++i) {
        if (counts[i] == fill) {
            ++histogram_[fill];
            flags[i] = kQualityFill;
            continue;
        }
        counts[i] = fill;
        flags[i] = kQualityNoValue;
        ++missing_;
    }
}

uint64_t AbiPixelTally::GoodPixels() const {
    uint64_t good = 0;
    for (int count = 0; count <= calibration_.validMax; ++count) good += histogram_[count];
    return good;
}

uint64_t AbiPixelTally::OutOfRangePixels() const {
    uint64_t outOfRange = 0;
    for (size_t count = calibration_.validMax + 1u; count < histogram_.size(); ++count)
        if (count != calibration_.fillValue) outOfRange += histogram_[count];
    return outOfRange;
}

float AbiPixelTally::ShareOfEarth(uint64_t pixels) const {
    const uint64_t earth = GoodPixels() + OutOfRangePixels() + missing_;
    return earth == 0 ? 0.0f : static_cast<float>(static_cast<double>(pixels) / static_cast<double>(earth));
}

float AbiPixelTally::GoodShare() const {
    return ShareOfEarth(GoodPixels());
}

float AbiPixelTally::OutOfRangeShare() const {
    return ShareOfEarth(OutOfRangePixels());
}

float AbiPixelTally::NoValueShare() const {
    return ShareOfEarth(missing_);
}

AbiRadianceSummary AbiPixelTally::Radiance() const {
    AbiRadianceSummary summary;
    double pixels = 0, sum = 0, sumOfSquares = 0;
    int lowest = -1, highest = -1;
    for (int count = 0; count <= calibration_.validMax; ++count) {
        const auto n = static_cast<double>(histogram_[count]);
        if (n == 0) continue;
        if (lowest < 0) lowest = count;
        highest = count;
        const double radiance = count * calibration_.scaleFactor + calibration_.addOffset;
        pixels += n;
        sum += n * radiance;
        sumOfSquares += n * radiance * radiance;
    }
    if (pixels == 0) return summary;
    summary.minimum = lowest * calibration_.scaleFactor + calibration_.addOffset;
    summary.maximum = highest * calibration_.scaleFactor + calibration_.addOffset;
    summary.mean = sum / pixels;
    summary.standardDeviation = std::sqrt(std::max(0.0, sumOfSquares / pixels - summary.mean * summary.mean));
    return summary;
}
