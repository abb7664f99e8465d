// One drawing of the lamp serves the LED's template and both button glyphs.
#include "LampPictures.h"

#include <QPainter>

namespace {

constexpr int kLampSize = 15;

QImage DrawLamp(const QColor& surround, const QColor& lit) {
    QImage image(kLampSize, kLampSize, QImage::Format_ARGB32);
    image.fill(surround);
    QPainter painter(&image);
    // No antialiasing: every pixel of the lit area must carry exactly the lit colour.
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(24, 24, 24));
    painter.drawEllipse(QRect(0, 0, kLampSize, kLampSize));
    painter.setBrush(lit);
    painter.drawEllipse(QRect(2, 2, kLampSize - 4, kLampSize - 4));
    // A glint, which keeps its colour whatever the lamp shows.
    painter.setBrush(QColor(240, 255, 240));
    painter.drawRect(QRect(4, 5, 2, 1));
    painter.drawRect(QRect(5, 4, 1, 2));
    return image;
}

} // namespace

QImage LampTemplate() {
    return DrawLamp(QColor(72, 72, 72), kLampLitMark);
}

QPixmap GlyphLedOff() {
    return QPixmap::fromImage(DrawLamp(Qt::transparent, QColor(0, 88, 0)));
}

QPixmap GlyphLedOn() {
    return QPixmap::fromImage(DrawLamp(Qt::transparent, kLampLitMark));
}
