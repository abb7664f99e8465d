// The viewer's scroll box over its picture: 1:1 from the top-left corner for a new picture, the whole picture
// fitted into the box, zoom steps about the centre or (Ctrl + wheel) about the pointer, and the picture moved
// by dragging it. The fitted view is drawn from a reduced copy of the picture, made off the GUI thread once
// per picture, so the window neither waits for it nor holds a second full-size copy.
#pragma once

#include <QPoint>
#include <QScrollArea>
#include <QSize>
#include <optional>

class BitmapView;
class QImage;

class ImageScrollBox : public QScrollArea {
    Q_OBJECT
public:
    explicit ImageScrollBox(QWidget* parent = nullptr);

    BitmapView& View() { return *view_; }
    const BitmapView& View() const { return *view_; }
    double Zoom() const;
    bool Fitted() const { return fitted_; }

    // After the picture was replaced: 1:1, scrolled to the top-left corner; its reduced copy is begun.
    void PictureChanged();

    void Fit();
    void ActualSize();
    void ZoomIn();
    void ZoomOut();

signals:
    void ZoomChanged(double zoom, bool fitted);
    // The reduced copy of the picture has arrived; the fitted view now shows it.
    void OverviewMade();

protected:
    bool viewportEvent(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    double FitScale() const;
    // Zooms so that the picture point under `anchor` (viewport coordinates) stays under it.
    void ZoomAbout(double zoom, QPoint anchor);
    void ZoomAboutCentre(double zoom);
    void MakeOverview();
    void ShowOverview(int picture, const QImage& overview);

    BitmapView* view_;
    bool fitted_ = false;
    int picture_ = 0; // counts the pictures shown, so that a late copy of an earlier one is dropped
    QSize overviewSize_;
    std::optional<QPoint> dragStart_;
    QPoint scrollAtDragStart_;
    int wheelRemainder_ = 0;
};
