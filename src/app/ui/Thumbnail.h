// One band's thumbnail: a fixed-size 8-bit grey picture that reports the mouse entering it, clicks and
// context-menu requests.
#pragma once

#include "BMPExtImage.h"
#include "ImageFileLoading.h"

#include <QWidget>

class Thumbnail : public QWidget {
    Q_OBJECT
public:
    static constexpr int kSide = kThumbnailSide;

    Thumbnail(int band, QWidget* parent);

    int Band() const { return band_; }
    const TExtBitmap& Picture() const { return picture_; }

    // Fills the whole picture with the band's blank grey.
    void Blank();
    // Copies an image at (0, 0) onto the picture, as grey levels; parts beyond the picture are dropped.
    void Draw(const QImage& image);

    QSize sizeHint() const override { return {kSide, kSide}; }

signals:
    void Entered(int band);
    void Clicked(int band);
    void ContextMenuRequested(int band, const QPoint& globalPos);

protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    const int band_;
    TExtBitmap picture_;
};

// The grey a band's thumbnail shows while it holds no image: near-black for B01…B07, near-white for the rest.
int BlankGrey(int band);
