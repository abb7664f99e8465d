// One part of an 8-bit grey image as it looks scaled to another size, made from the image's own pixels: each
// screen pixel is the mean of up to 4 × 4 pixels spread evenly over the area of the image it covers (the
// exact mean at 1:2 and 1:4), or the one pixel it lies on when enlarged. The work grows with the part shown,
// never with the image, so the window can paint any zoom of a full disk at once.
#pragma once

#include <QImage>
#include <QRect>
#include <QSize>

// `source` (8-bit, its pixel values taken as grey levels) shown at `shown` size; the result is the part
// `part` of that, in screen pixels, as an 8-bit grey image.
QImage ZoomedPart(const QImage& source, QSize shown, QRect part);
