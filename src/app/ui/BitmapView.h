// A widget that shows a bitmap at a zoom, converting only the exposed part for painting, so that a full-disk
// 8-bit image is held once, one byte per pixel. Scaled views are sampled from the bitmap where exposed,
// except at the size of the overview (a reduced copy made once), which is shown as it is.
#pragma once

#include "BMPExtImage.h"

#include <QImage>
#include <QWidget>

class BitmapView : public QWidget {
    Q_OBJECT
public:
    explicit BitmapView(QWidget* parent = nullptr);

    TExtBitmap& Picture() { return picture_; }
    const TExtBitmap& Picture() const { return picture_; }
    QSize PictureSize() const { return {picture_.Width(), picture_.Height()}; }
    // Takes the picture's size at the zoom and repaints, after the picture was replaced; the overview goes.
    void PictureChanged();

    double Zoom() const { return zoom_; }
    // Screen pixels per picture pixel; the widget takes the picture's size at that zoom.
    void SetZoom(double zoom);

    const QImage& Overview() const { return overview_; }
    // A reduction of the whole picture, shown whenever the widget has its size.
    void SetOverview(const QImage& overview);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QImage PartShown(const QRect& part) const;

    TExtBitmap picture_;
    QImage overview_;
    double zoom_ = 1;
};
