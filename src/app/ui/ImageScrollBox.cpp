// The viewer's scroll box: zoom, fit and dragging over the picture.
#include "ImageScrollBox.h"

#include "BitmapView.h"
#include "ViewerWorkers.h"
#include "ZoomSteps.h"

#include <QApplication>
#include <QMouseEvent>
#include <QPointer>
#include <QScrollBar>
#include <QThreadPool>
#include <QWheelEvent>
#include <exception>

namespace {

constexpr int kWheelStep = QWheelEvent::DefaultDeltasPerStep;

// The whole picture reduced by area averaging, as the thumbnails are. The bitmap reads the shared picture's
// own rows, so no copy of it is made. Null when it cannot be reduced to that size.
QImage Reduced(const QImage& picture, QSize size) {
    try {
        TExtBitmap bitmap;
        bitmap.SetPixelFormat(TPixelFormat::pf8bit);
        bitmap.SetGreyPalette();
        bitmap.AdoptImage(picture);
        bitmap.Interpolate(size.width(), size.height());
        return bitmap.Image();
    } catch (const std::exception&) {
        return {};
    }
}

} // namespace

ImageScrollBox::ImageScrollBox(QWidget* parent) : QScrollArea(parent), view_(new BitmapView) {
    setObjectName(QStringLiteral("ScrollBox"));
    view_->setObjectName(QStringLiteral("Image"));
    setWidget(view_);
    // A picture smaller than the window, the fitted one above all, lies in its middle.
    setAlignment(Qt::AlignCenter);
    viewport()->setCursor(Qt::OpenHandCursor);
}

double ImageScrollBox::Zoom() const {
    return view_->Zoom();
}

double ImageScrollBox::FitScale() const {
    return ZoomSteps::FitScale(view_->PictureSize(), maximumViewportSize());
}

void ImageScrollBox::PictureChanged() {
    ++picture_;
    fitted_ = false;
    overviewSize_ = QSize();
    view_->SetZoom(1);
    view_->PictureChanged();
    horizontalScrollBar()->setValue(0);
    verticalScrollBar()->setValue(0);
    emit ZoomChanged(1, false);
    MakeOverview();
}

void ImageScrollBox::Fit() {
    fitted_ = true;
    view_->SetZoom(FitScale());
    horizontalScrollBar()->setValue(0);
    verticalScrollBar()->setValue(0);
    MakeOverview();
    emit ZoomChanged(view_->Zoom(), true);
}

void ImageScrollBox::ActualSize() {
    ZoomAboutCentre(1);
}

void ImageScrollBox::ZoomIn() {
    ZoomAboutCentre(ZoomSteps::Larger(view_->Zoom(), FitScale()));
}

void ImageScrollBox::ZoomOut() {
    ZoomAboutCentre(ZoomSteps::Smaller(view_->Zoom(), FitScale()));
}

void ImageScrollBox::ZoomAboutCentre(double zoom) {
    ZoomAbout(zoom, viewport()->rect().center());
}

void ImageScrollBox::ZoomAbout(double zoom, QPoint anchor) {
    if (view_->PictureSize().isEmpty()) return; // nothing shown yet: a new picture opens at 1:1 anyway
    // A picture that fits the window already is shown at 1:1 as such, not as fitted.
    const double fit = FitScale();
    if (zoom <= fit && fit < 1) {
        Fit();
        return;
    }
    fitted_ = false;
    QScrollBar& across = *horizontalScrollBar();
    QScrollBar& down = *verticalScrollBar();
    const QSizeF before = view_->size();
    // Where the anchor lies on the picture, also while a smaller picture is centred in the window.
    const QPoint onView = anchor - view_->pos();
    const QPointF at(onView.x() / before.width(), onView.y() / before.height());
    // The scroll bars take the view's new size at once, as the box follows its widget's resizing.
    view_->SetZoom(zoom);
    across.setValue(qRound(at.x() * view_->width() - anchor.x()));
    down.setValue(qRound(at.y() * view_->height() - anchor.y()));
    emit ZoomChanged(zoom, false);
}

void ImageScrollBox::resizeEvent(QResizeEvent* event) {
    QScrollArea::resizeEvent(event);
    if (fitted_ && FitScale() != view_->Zoom()) Fit();
}

bool ImageScrollBox::viewportEvent(QEvent* event) {
    switch (event->type()) {
    case QEvent::Wheel: {
        auto* wheel = static_cast<QWheelEvent*>(event);
        if (!(wheel->modifiers() & Qt::ControlModifier)) break;
        wheelRemainder_ += wheel->angleDelta().y();
        for (; wheelRemainder_ >= kWheelStep; wheelRemainder_ -= kWheelStep)
            ZoomAbout(ZoomSteps::Larger(view_->Zoom(), FitScale()), wheel->position().toPoint());
        for (; wheelRemainder_ <= -kWheelStep; wheelRemainder_ += kWheelStep)
            ZoomAbout(ZoomSteps::Smaller(view_->Zoom(), FitScale()), wheel->position().toPoint());
        return true;
    }
    case QEvent::MouseButtonPress: {
        auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() != Qt::LeftButton) break;
        dragStart_ = mouse->globalPosition().toPoint();
        scrollAtDragStart_ = {horizontalScrollBar()->value(), verticalScrollBar()->value()};
        viewport()->setCursor(Qt::ClosedHandCursor);
        return true;
    }
    case QEvent::MouseMove:
        if (!dragStart_) break;
        {
            const QPoint moved = static_cast<QMouseEvent*>(event)->globalPosition().toPoint() - *dragStart_;
            horizontalScrollBar()->setValue(scrollAtDragStart_.x() - moved.x());
            verticalScrollBar()->setValue(scrollAtDragStart_.y() - moved.y());
        }
        return true;
    case QEvent::MouseButtonRelease:
        if (!dragStart_ || static_cast<QMouseEvent*>(event)->button() != Qt::LeftButton) break;
        dragStart_.reset();
        viewport()->setCursor(Qt::OpenHandCursor);
        return true;
    default:
        break;
    }
    return QScrollArea::viewportEvent(event);
}

// Made once per picture and fitting size, as soon as the picture is shown, so that the fitted view is ready
// when it is asked for; until it arrives the fitted view is sampled from the picture.
void ImageScrollBox::MakeOverview() {
    const QSize size = ZoomSteps::ZoomedSize(view_->PictureSize(), FitScale());
    if (view_->PictureSize().isEmpty() || size == view_->PictureSize() || size == overviewSize_) return;
    overviewSize_ = size;
    ViewerWorkers().start(
        [box = QPointer<ImageScrollBox>(this), picture = picture_, image = view_->Picture().Image(), size] {
            QMetaObject::invokeMethod(qApp, [box, picture, overview = Reduced(image, size)] {
                if (box) box->ShowOverview(picture, overview);
            });
        });
}

void ImageScrollBox::ShowOverview(int picture, const QImage& overview) {
    if (picture != picture_ || overview.size() != overviewSize_) return;
    view_->SetOverview(overview);
    emit OverviewMade();
}
