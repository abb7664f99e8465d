// The viewer's zoom levels.
#include "ZoomSteps.h"

#include <algorithm>
#include <cmath>

namespace ZoomSteps {

namespace {

// Scales this close count as the same level, so that a level reached by arithmetic is not stepped over.
constexpr double kSameLevel = 1e-9;

} // namespace

double FitScale(QSize image, QSize room) {
    if (image.isEmpty() || room.isEmpty()) return 1;
    return std::min({1.0, static_cast<double>(room.width()) / image.width(),
                     static_cast<double>(room.height()) / image.height()});
}

double Larger(double zoom, double fit) {
    const double next = std::exp2(std::floor(std::log2(zoom) + kSameLevel) + 1);
    return std::clamp(next, fit, kLargest);
}

double Smaller(double zoom, double fit) {
    const double next = std::exp2(std::ceil(std::log2(zoom) - kSameLevel) - 1);
    return next <= fit * (1 + kSameLevel) ? fit : std::min(next, kLargest);
}

QSize ZoomedSize(QSize image, double zoom) {
    if (image.isEmpty()) return {0, 0};
    const auto side = [zoom](int length) {
        return std::max(1, static_cast<int>(std::lround(length * zoom)));
    };
    return {side(image.width()), side(image.height())};
}

} // namespace ZoomSteps
