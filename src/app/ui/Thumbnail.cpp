// One band's thumbnail: a fixed-size 8-bit grey picture that reports the mouse entering it, clicks and
// context-menu requests.
#include "Thumbnail.h"

#include <QContextMenuEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <algorithm>
#include <cstring>

namespace {

constexpr int kFirstLightBlankBand = 7;
constexpr int kDarkBlankGrey = 16;
constexpr int kLightBlankGrey = 240;

} // namespace

int BlankGrey(int band) {
    return band < kFirstLightBlankBand ? kDarkBlankGrey : kLightBlankGrey;
}

Thumbnail::Thumbnail(int band, QWidget* parent) : QWidget(parent), band_(band) {
    setFixedSize(kSide, kSide);
    setCursor(Qt::PointingHandCursor);
    picture_.SetPixelFormat(TPixelFormat::pf8bit);
    picture_.SetGreyPalette();
    picture_.SetSize(kSide, kSide);
    picture_.SetOnChange([this] { update(); });
    Blank();
}

void Thumbnail::Blank() {
    const int grey = BlankGrey(band_);
    for (int y = 0; y < picture_.Height(); ++y) std::memset(picture_.ScanLine(y), grey, picture_.Width());
    picture_.SetModified(true);
}

void Thumbnail::Draw(const QImage& image) {
    const QImage grey = image.convertToFormat(QImage::Format_Grayscale8);
    const int rows = std::min(grey.height(), picture_.Height());
    const int columns = std::min(grey.width(), picture_.Width());
    if (rows <= 0 || columns <= 0) return;
    for (int y = 0; y < rows; ++y) std::memcpy(picture_.ScanLine(y), grey.constScanLine(y), columns);
    picture_.SetModified(true);
}

void Thumbnail::paintEvent(QPaintEvent* event) {
    QPainter painter(this);
    painter.drawImage(event->rect(), picture_.Image(), event->rect());
}

void Thumbnail::enterEvent(QEnterEvent* event) {
    QWidget::enterEvent(event);
    emit Entered(band_);
}

// Taking the press makes the release come here, where a click is complete.
void Thumbnail::mousePressEvent(QMouseEvent* event) {
    event->setAccepted(event->button() == Qt::LeftButton);
}

void Thumbnail::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
        emit Clicked(band_);
}

void Thumbnail::contextMenuEvent(QContextMenuEvent* event) {
    emit ContextMenuRequested(band_, event->globalPos());
}
