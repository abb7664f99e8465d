// A widget that shows a bitmap at a zoom, converting only the exposed part for painting.
#include "BitmapView.h"

#include "ZoomSteps.h"
#include "ZoomedPart.h"

#include <QPaintEvent>
#include <QPainter>

BitmapView::BitmapView(QWidget* parent) : QWidget(parent) {
    picture_.SetPixelFormat(TPixelFormat::pf8bit);
    picture_.SetGreyPalette();
    setAttribute(Qt::WA_OpaquePaintEvent);
    resize(0, 0);
}

void BitmapView::PictureChanged() {
    overview_ = QImage();
    resize(ZoomSteps::ZoomedSize(PictureSize(), zoom_));
    update();
}

void BitmapView::SetZoom(double zoom) {
    zoom_ = zoom;
    resize(ZoomSteps::ZoomedSize(PictureSize(), zoom_));
    update();
}

void BitmapView::SetOverview(const QImage& overview) {
    overview_ = overview;
    update();
}

// Painting converts its source for the screen; a copy of the exposed part keeps that to what is seen instead
// of the whole full-disk picture.
QImage BitmapView::PartShown(const QRect& part) const {
    if (overview_.size() == size()) return overview_.copy(part);
    if (PictureSize() == size()) return picture_.Image().copy(part);
    return ZoomedPart(picture_.Image(), size(), part);
}

void BitmapView::paintEvent(QPaintEvent* event) {
    if (picture_.Empty()) return;
    QPainter painter(this);
    for (const QRect& exposed : event->region()) painter.drawImage(exposed.topLeft(), PartShown(exposed));
}
