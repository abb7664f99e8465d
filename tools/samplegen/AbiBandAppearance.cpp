// Per-band rendering of the Earth model into radiance counts.
#include "AbiBandAppearance.h"

#include <array>
#include <cmath>

namespace {

struct EmissiveLook {
    float window;     // 1: the band sees the surface; 0: it sees only the upper atmosphere
    float atmosphere; // brightness temperature of the atmosphere the band sees, K
};

// Bands 7..16.
constexpr std::array<EmissiveLook, 10> kEmissive = {{
    {1.0f, 270.0f},
    {0.05f, 234.0f},
    {0.15f, 242.0f},
    {0.3f, 250.0f},
    {0.92f, 270.0f},
    {0.7f, 252.0f},
    {1.0f, 270.0f},
    {0.98f, 270.0f},
    {0.92f, 268.0f},
    {0.6f, 246.0f},
}};

struct ReflectiveLook {
    float ocean, land, ice; // surface reflectances
    float cloud;            // brightness of clouds relative to the visible bands
    bool highCloudsOnly;    // water vapour hides the surface and low clouds
};

// Bands 1..6.
constexpr std::array<ReflectiveLook, 6> kReflective = {{
    {0.07f, 0.10f, 0.85f, 1.0f, false},
    {0.04f, 0.14f, 0.85f, 1.0f, false},
    {0.02f, 0.32f, 0.80f, 1.0f, false},
    {0.0f, 0.01f, 0.05f, 0.9f, true},
    {0.02f, 0.25f, 0.12f, 0.75f, false},
    {0.01f, 0.16f, 0.04f, 0.55f, false},
}};

constexpr float kLowestTemperature = 150.0f, kHighestTemperature = 340.0f, kStepsPerKelvin = 32.0f;
constexpr float kHighestReflectance = 1.3f, kStepsPerReflectance = 4096.0f;

float SmoothStep(float edge0, float edge1, float x) {
    const float t = std::clamp((x - edge0) / (edge1 - edge0), 0.0f, 1.0f);
    return t * t * (3.0f - 2.0f * t);
}

float Lerp(float a, float b, float t) {
    return a + (b - a) * t;
}

uint16_t CountOf(const AbiBandCalibration& calibration, double radiance) {
    const double count = std::round((radiance - calibration.addOffset) / calibration.scaleFactor);
    return static_cast<uint16_t>(std::clamp(count, 0.0, static_cast<double>(calibration.validMax)));
}

} // namespace

AbiBandAppearance::AbiBandAppearance(int band, int dayOfYear) : band_(band) {
    const AbiBandCalibration calibration = BandCalibration(band);
    if (IsEmissiveBand(band)) {
        const EmissiveLook& look = kEmissive[band - kFirstEmissiveBand];
        limbGain_ = 1.0f;
        limbShift_ = -(9.0f + 10.0f * (1.0f - look.window));
        noiseAmplitude_ = 0.35f;
        lowestValue_ = kLowestTemperature;
        stepsPerUnit_ = kStepsPerKelvin;
        const AbiPlanckConstants planck = BandPlanckConstants(band);
        counts_.resize(static_cast<size_t>((kHighestTemperature - kLowestTemperature) * kStepsPerKelvin) + 1);
        for (size_t i = 0; i < counts_.size(); ++i)
            counts_[i] = CountOf(calibration,
                                 RadianceFromTemperature(planck, kLowestTemperature + i / kStepsPerKelvin));
    } else {
        limbGain_ = 0.35f;
        limbShift_ = 0.0f;
        noiseAmplitude_ = 0.004f;
        lowestValue_ = 0.0f;
        stepsPerUnit_ = kStepsPerReflectance;
        const double kappa0 = BandKappa0(band, dayOfYear);
        counts_.resize(static_cast<size_t>(kHighestReflectance * kStepsPerReflectance) + 1);
        for (size_t i = 0; i < counts_.size(); ++i)
            counts_[i] = CountOf(calibration, i / kStepsPerReflectance / kappa0);
    }
}

AbiSceneLevel AbiBandAppearance::Level(const EarthState& state) const {
    return IsEmissiveBand(band_) ? EmissiveLevel(state) : ReflectiveLevel(state);
}

AbiSceneLevel AbiBandAppearance::EmissiveLevel(const EarthState& state) const {
    const EmissiveLook& look = kEmissive[band_ - kFirstEmissiveBand];
    const float clear = Lerp(look.atmosphere - 20.0f * state.moisture, state.surfaceTemperature, look.window);
    // Only clouds colder than what the band sees through clear air show.
    const float seen = clear + state.cloud * std::min(0.0f, state.cloudTop - clear);
    return {seen, 1.5f + 2.0f * state.cloud + 40.0f * state.cloud * (1.0f - state.cloud)};
}

AbiSceneLevel AbiBandAppearance::ReflectiveLevel(const EarthState& state) const {
    const ReflectiveLook& look = kReflective[band_ - 1];
    const float surface = Lerp(Lerp(look.ocean, look.land, state.land), look.ice, state.ice);
    float cloud = (0.42f + 0.5f * state.cloudHeight) * look.cloud;
    if (look.highCloudsOnly) cloud *= SmoothStep(0.45f, 0.75f, state.cloudHeight);
    return {Lerp(surface, cloud, state.cloud),
            0.01f + 0.03f * state.cloud + 0.8f * state.cloud * (1.0f - state.cloud)};
}
