// The Images tab's panel: sixteen band thumbnails with their captions, the band the mouse last entered, and
// the thumbnails' popup menu that offers the hand-off to Quillmap.
#pragma once

#include "BandTables.h"

#include <QImage>
#include <QString>
#include <QWidget>
#include <array>

class QAction;
class QMenu;
class Thumbnail;

class ThumbnailPanel : public QWidget {
    Q_OBJECT
public:
    explicit ThumbnailPanel(QWidget* parent = nullptr);

    // Quillmap's executable; the popup menu's item is enabled once a file exists there.
    void SetQuillmapPath(const QString& path) { quillmapPath_ = path; }

    // The band (0…15) of the thumbnail the mouse last entered; 0 until one is entered.
    int HoveredBand() const { return hoveredBand_; }
    // The text describing the band's last drawn image (its tooltip); empty until one is drawn.
    QString Hint(int band) const;

    // Every thumbnail back to its blank grey; the hints stay.
    void ClearThumbnails();
    // Shows an earlier run's image, already reduced, under the hint "Image from previous file:  " + path.
    void ShowRestoredImage(int band, const QString& path, const QImage& thumbnail);
    // Shows a just-saved image, already reduced, under the given hint; a null image (unreadable file) leaves
    // the picture as it was, but the hint is set.
    void ShowSavedImage(int band, const QImage& thumbnail, const QString& hint);

signals:
    void ThumbnailClicked(int band);
    void QuillmapProcessRequested(int band);

private:
    void AddThumbnail(int band);
    Thumbnail* ThumbnailOf(int band) const;
    void ImagePopupMenuPopup();

    std::array<Thumbnail*, kBandCount> thumbnails_{};
    QMenu* imagePopupMenu_;
    QAction* quillmapProcess_;
    QString quillmapPath_;
    int hoveredBand_ = 0;
};
