// A widget that shows a bitmap at full size, converting only the exposed part for painting, so that a
// full-disk 8-bit image is held once, one byte per pixel.
#pragma once

#include "BMPExtImage.h"

#include <QWidget>

class BitmapView : public QWidget {
    Q_OBJECT
public:
    explicit BitmapView(QWidget* parent = nullptr);

    TExtBitmap& Picture() { return picture_; }
    const TExtBitmap& Picture() const { return picture_; }
    // Takes the picture's size and repaints, after the picture was replaced.
    void PictureChanged();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    TExtBitmap picture_;
};
