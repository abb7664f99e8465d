// TLED: a small round lamp of the main window. Its template picture marks the lit area in pure green; the
// lamp shows that area in Colour.
#pragma once

#include <QColor>
#include <QImage>
#include <QWidget>

class TLED : public QWidget {
    Q_OBJECT
public:
    explicit TLED(QWidget* parent = nullptr);

    // The template picture (15 × 15).
    const QImage& Bitmap() const { return Template; }

    QColor Colour() const { return LampColour; }
    // Repaints only when the colour differs from the current one.
    void SetColour(const QColor& colour);

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    const QImage Template;
    QColor LampColour;
};
