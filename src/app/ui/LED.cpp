// Painting the lamp: the template clipped to a circle, its pure-green pixels recoloured.
#include "LED.h"

#include "LampPictures.h"

#include <QPainter>
#include <QRegion>

TLED::TLED(QWidget* parent) : QWidget(parent), Template(LampTemplate()), LampColour(kLampLitMark) {
    resize(sizeHint());
}

void TLED::SetColour(const QColor& colour) {
    if (colour.rgb() == LampColour.rgb()) return;
    LampColour = QColor::fromRgb(colour.rgb());
    update();
}

QSize TLED::sizeHint() const {
    return {17, 17};
}

void TLED::paintEvent(QPaintEvent*) {
    QImage lamp = Template;
    const QRgb mark = kLampLitMark.rgb();
    for (int y = 0; y < lamp.height(); ++y) {
        for (int x = 0; x < lamp.width(); ++x) {
            if (lamp.pixel(x, y) == mark) lamp.setPixel(x, y, LampColour.rgb());
        }
    }
    const int side = Template.width() + 3;
    QPainter painter(this);
    painter.setClipRegion(QRegion(0, 0, side, side, QRegion::Ellipse));
    painter.drawImage(1, 1, lamp);
}
