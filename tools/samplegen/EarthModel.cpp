// Synthetic geography and weather from fractal noise sampled on the sphere.
#include "EarthModel.h"

#include "SampleRandom.h"
#include "SmoothNoise.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace {

float SmoothStep(float edge0, float edge1, float x) {
    const float t = std::clamp((x - edge0) / (edge1 - edge0), 0.0f, 1.0f);
    return t * t * (3.0f - 2.0f * t);
}

float Lerp(float a, float b, float t) {
    return a + (b - a) * t;
}

// A band of latitudes, 1 at its centre.
float LatitudeBand(float latitudeDegrees, float centre, float width) {
    const float d = (latitudeDegrees - centre) / width;
    return std::exp(-d * d);
}

struct Point {
    double x, y, z;
    Point Scaled(double factor, double dx, double dy, double dz) const {
        return {x * factor + dx, y * factor + dy, z * factor + dz};
    }
};

float Noise(const Point& p, int octaves, uint32_t seed) {
    return FractalNoise(p.x, p.y, p.z, octaves, seed);
}

} // namespace

EarthModel::EarthModel(uint32_t seed, double longitudeDegrees, const QDateTime& time)
    : seed_(seed), longitude_(longitudeDegrees * std::numbers::pi / 180.0) {
    static const QDateTime epoch(QDate(2000, 1, 1), QTime(0, 0), Qt::UTC);
    const double hours = static_cast<double>(epoch.secsTo(time)) / 3600.0;
    drift_ = hours * 0.06;
}

EarthState EarthModel::At(double u, double v) const {
    const double mu = std::sqrt(std::max(0.0, 1.0 - u * u - v * v));
    const double latitude = std::asin(std::clamp(-v, -1.0, 1.0));
    const double longitude = std::atan2(u, mu) + longitude_;
    const Point p{std::cos(latitude) * std::sin(longitude), std::sin(latitude),
                  std::cos(latitude) * std::cos(longitude)};
    const auto latitudeDegrees = static_cast<float>(latitude * 180.0 / std::numbers::pi);
    const auto sine = static_cast<float>(std::sin(latitude));
    const float sine2 = sine * sine;

    EarthState state{};
    const float continents = Noise(p.Scaled(1.7, 11.3, 5.1, -7.9), 6, Hash32(seed_, 1));
    state.land = SmoothStep(0.08f, 0.2f, continents);
    const float ocean = 301.0f - 40.0f * sine2 - 16.0f * sine2 * sine2;
    const float landWarmth = 5.0f * (1.0f - sine2) - 6.0f * std::max(0.0f, continents - 0.5f);
    state.ice = SmoothStep(0.84f, 0.92f, std::fabs(sine) + 0.05f * continents);
    state.surfaceTemperature = Lerp(Lerp(ocean, ocean + landWarmth, state.land), 246.0f, state.ice);

    const double d = drift_;
    const float convergence = LatitudeBand(latitudeDegrees, 6.0f, 7.0f);
    const float stormTrack = LatitudeBand(std::fabs(latitudeDegrees), 50.0f, 11.0f);
    const float subtropics = LatitudeBand(std::fabs(latitudeDegrees), 24.0f, 8.0f);
    // Warping the sampling point by a slower field bends the cloud bands into swirls and fronts.
    const Point flow = p.Scaled(1.4, 0.3 * d, 0.1 * d, 5.0);
    const Point warped{p.x + 0.3 * Noise(flow, 3, Hash32(seed_, 5)),
                       p.y + 0.3 * Noise(flow, 3, Hash32(seed_, 6)),
                       p.z + 0.3 * Noise(flow, 3, Hash32(seed_, 7))};
    const float weather = Noise(warped.Scaled(3.2, d, 0.3 * d, -0.2 * d), 7, Hash32(seed_, 2));
    state.cloud =
        SmoothStep(0.1f, 0.35f, weather + 0.45f * convergence + 0.35f * stormTrack - 0.25f * subtropics);

    const float tops =
        0.5f + 0.5f * Noise(p.Scaled(3.1, 0.7 * d + 3.3, -0.4 * d, 0.3 * d), 4, Hash32(seed_, 3));
    state.cloudHeight = std::clamp(0.1f + 0.75f * convergence * (0.6f + 0.6f * tops) +
                                       0.45f * stormTrack * tops + 0.3f * (tops - 0.5f) + 0.25f * state.cloud,
                                   0.0f, 1.0f);
    constexpr float kTropopause = 196.0f;
    state.cloudTop = Lerp(state.surfaceTemperature, kTropopause, state.cloudHeight);
    state.moisture = Noise(p.Scaled(2.0, -0.5 * d, 0.2 * d, 0.6 * d + 1.7), 5, Hash32(seed_, 4));
    return state;
}
