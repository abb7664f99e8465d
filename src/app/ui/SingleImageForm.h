// TFormSingleImage: the full-size viewer of one band's newest image, scrolling and zooming over it, with the
// hand-off of that image to Quillmap in its popup menu. While a picture is read (seconds for a full disk) the
// window says so with its progress, and the zoom keys pressed meanwhile apply once it is there.
#pragma once

#include <QString>
#include <QWidget>
#include <vector>

class ImageScrollBox;
class QImage;
class QLabel;
class TExtBitmap;

class TFormSingleImage : public QWidget {
    Q_OBJECT
public:
    // With a parent the viewer is still a window of its own, freed with its parent.
    explicit TFormSingleImage(QWidget* parent = nullptr);

    int ImageBand() const { return imageBand_; }
    QString ImageFileName() const { return imageFileName_; }
    const TExtBitmap& Picture() const;
    // Screen pixels per picture pixel, and whether the whole picture is fitted into the window.
    double Zoom() const;
    bool Fitted() const;
    // True from a ShowImage until its picture is shown.
    bool Loading() const { return loading_; }

    // Shows the band's image under the caption (empty when the thumbnail was never filled): a hidden viewer
    // opens maximised and loads it as it is shown; a visible one loads it at once and comes to the front.
    void ShowImage(int band, const QString& fileName, const QString& caption);

signals:
    void QuillmapProcessRequested(int band);
    // The picture of the latest ShowImage has been read (or found unreadable) and is shown, the keys pressed
    // while it was read applied.
    void PictureLoaded();
    // The picture being read has come this far; the window says so.
    void LoadProgressed(int percentDone);
    // The reduced copy of the picture that the fitted view shows has been made.
    void OverviewMade();

protected:
    void showEvent(QShowEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void LoadPicture();
    void ShowLoadProgress(int request, int percentDone);
    void ShowLoadedPicture(int request, const QImage& image);
    void ShowZoom(double zoom, bool fitted);
    // F, 1, + and -: true when the key is one of them (applied now, or kept while the picture is read).
    bool ZoomKey(int key);
    void ApplyZoomKey(int key);

    int loadRequest_ = 0;
    bool loading_ = false;
    std::vector<int> pendingKeys_; // zoom keys pressed while the picture is read, in order
    int imageBand_ = 0;
    QString imageFileName_;
    ImageScrollBox* scrollBox_;
    QLabel* zoomLabel_;
    QLabel* loadingLabel_; // over the picture while it is read, or when it cannot be
};
