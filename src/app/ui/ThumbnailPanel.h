// The Images tab's panel: sixteen band thumbnails with their captions, the band the mouse last entered, and
// the thumbnails' popup menu that offers the hand-off to Quillmap.
#pragma once

#include "BandTables.h"

#include <QString>
#include <QWidget>
#include <array>

class QAction;
class QMenu;
class Thumbnail;

class ThumbnailPanel : public QWidget {
    Q_OBJECT
public:
    // Files below this size are not taken for a thumbnail at start-up (a partly written image).
    static constexpr qint64 kMinimumRestoreBytes = 25000;

    explicit ThumbnailPanel(QWidget* parent = nullptr);

    // Quillmap's executable; the popup menu's item is enabled once a file exists there.
    void SetQuillmapPath(const QString& path) { quillmapPath_ = path; }

    // The band (0…15) of the thumbnail the mouse last entered; 0 until one is entered.
    int HoveredBand() const { return hoveredBand_; }
    // The text describing the band's last drawn image (its tooltip); empty until one is drawn.
    QString Hint(int band) const;

    // Every thumbnail back to its blank grey; the hints stay.
    void ClearThumbnails();
    // Shows an earlier run's image: only an existing file of at least kMinimumRestoreBytes with a ".jpg" or
    // ".png" extension that can be read and reduced; anything else leaves the thumbnail and its hint
    // unchanged.
    void RestoreThumbnail(int band, const QString& path);
    // Shows a just-saved image under the given hint; the hint is set even when the image cannot be shown.
    void ShowSavedImage(int band, const QString& path, const QString& hint);

signals:
    void ThumbnailClicked(int band);
    void QuillmapProcessRequested(int band);

private:
    void AddThumbnail(int band);
    Thumbnail* ThumbnailOf(int band) const;
    bool DrawFile(Thumbnail& thumbnail, const QString& path);
    void ImagePopupMenuPopup();

    std::array<Thumbnail*, kBandCount> thumbnails_{};
    QMenu* imagePopupMenu_;
    QAction* quillmapProcess_;
    QString quillmapPath_;
    int hoveredBand_ = 0;
};
