// The viewer's zoom levels: the powers of two from the scale that shows the whole image in the window up to
// 16:1, with that fitting scale as the smallest level of its own.
#pragma once

#include <QSize>

namespace ZoomSteps {

inline constexpr double kLargest = 16;

// The scale at which an image of `image` pixels fits within `room`; an image that fits already is shown at
// 1:1, never enlarged.
double FitScale(QSize image, QSize room);
// The next level in from `zoom`, at most kLargest.
double Larger(double zoom, double fit);
// The next level out from `zoom`, at least `fit`.
double Smaller(double zoom, double fit);
// The size an image of `image` pixels takes on screen at `zoom`, each side at least one pixel.
QSize ZoomedSize(QSize image, double zoom);

} // namespace ZoomSteps
