// A widget that shows a bitmap at full size, converting only the exposed part for painting.
#include "BitmapView.h"

#include <QPaintEvent>
#include <QPainter>

BitmapView::BitmapView(QWidget* parent) : QWidget(parent) {
    picture_.SetPixelFormat(TPixelFormat::pf8bit);
    picture_.SetGreyPalette();
    setAttribute(Qt::WA_OpaquePaintEvent);
    resize(0, 0);
}

void BitmapView::PictureChanged() {
    resize(picture_.Width(), picture_.Height());
    update();
}

void BitmapView::paintEvent(QPaintEvent* event) {
    if (picture_.Empty()) return;
    QPainter painter(this);
    // Painting converts its source for the screen; a copy of the exposed part keeps that to what is seen
    // instead of the whole full-disk picture.
    for (const QRect& exposed : event->region())
        painter.drawImage(exposed.topLeft(), picture_.Image().copy(exposed));
}
