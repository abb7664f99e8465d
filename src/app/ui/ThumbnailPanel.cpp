// The Images tab's panel: sixteen band thumbnails with their captions, the band the mouse last entered, and
// the thumbnails' popup menu that offers the hand-off to Quillmap.
#include "ThumbnailPanel.h"

#include "ScanReports.h"
#include "Thumbnail.h"

#include <QFileInfo>
#include <QLabel>
#include <QMenu>
#include <algorithm>

namespace {

constexpr int kColumns = 4;
constexpr std::array<int, kColumns> kLefts = {4, 185, 366, 548};
constexpr std::array<int, kBandCount / kColumns> kTops = {4, 152, 300, 448};
constexpr int kMargin = 4;

} // namespace

ThumbnailPanel::ThumbnailPanel(QWidget* parent)
    : QWidget(parent), imagePopupMenu_(new QMenu(this)),
      quillmapProcess_(imagePopupMenu_->addAction(QStringLiteral("Quillmap process ... "))) {
    imagePopupMenu_->setObjectName(QStringLiteral("ImagePopupMenu"));
    quillmapProcess_->setObjectName(QStringLiteral("QuillmapProcess"));
    quillmapProcess_->setEnabled(false);
    connect(imagePopupMenu_, &QMenu::aboutToShow, this, &ThumbnailPanel::ImagePopupMenuPopup);
    connect(quillmapProcess_, &QAction::triggered, this,
            [this] { emit QuillmapProcessRequested(hoveredBand_); });

    for (int band = 0; band < kBandCount; ++band) AddThumbnail(band);
    const QRect used = childrenRect();
    setMinimumSize(used.right() + 1 + kMargin, used.bottom() + 1 + kMargin);
}

void ThumbnailPanel::AddThumbnail(int band) {
    auto* thumbnail = new Thumbnail(band, this);
    thumbnail->setObjectName(QStringLiteral("Image") + BandCode[band]);
    thumbnail->move(kLefts[band % kColumns], kTops[band / kColumns]);
    connect(thumbnail, &Thumbnail::Entered, this, [this](int entered) { hoveredBand_ = entered; });
    // A click or a right click always happens on the thumbnail under the pointer, which is the one last
    // entered.
    connect(thumbnail, &Thumbnail::Clicked, this, [this](int clicked) {
        hoveredBand_ = clicked;
        emit ThumbnailClicked(clicked);
    });
    connect(thumbnail, &Thumbnail::ContextMenuRequested, this, [this](int clicked, const QPoint& globalPos) {
        hoveredBand_ = clicked;
        imagePopupMenu_->popup(globalPos);
    });
    thumbnails_[band] = thumbnail;

    auto* label = new QLabel(BandLabelCaption(band), this);
    label->setObjectName(QStringLiteral("Label") + BandCode[band]);
    label->setToolTip(BandHint[band]);
    label->adjustSize();
    // Centred under its thumbnail, but never pushed past the panel's left edge, where it would be cut off.
    const int left = std::max(0, thumbnail->x() + (thumbnail->width() - label->width()) / 2);
    label->move(left, thumbnail->y() + thumbnail->height());
}

// Null for an index that names no band, which every operation then skips.
Thumbnail* ThumbnailPanel::ThumbnailOf(int band) const {
    return band >= 0 && band < kBandCount ? thumbnails_[band] : nullptr;
}

QString ThumbnailPanel::Hint(int band) const {
    const Thumbnail* thumbnail = ThumbnailOf(band);
    return thumbnail ? thumbnail->toolTip() : QString();
}

void ThumbnailPanel::ClearThumbnails() {
    for (Thumbnail* thumbnail : thumbnails_) thumbnail->Blank();
}

void ThumbnailPanel::ShowRestoredImage(int band, const QString& path, const QImage& thumbnail) {
    Thumbnail* target = ThumbnailOf(band);
    if (!target) return;
    target->Draw(thumbnail);
    target->setToolTip(RestoredThumbnailHint(path));
}

void ThumbnailPanel::ShowSavedImage(int band, const QImage& thumbnail, const QString& hint) {
    Thumbnail* target = ThumbnailOf(band);
    if (!target) return;
    target->setToolTip(hint);
    if (!thumbnail.isNull()) target->Draw(thumbnail);
}

void ThumbnailPanel::ImagePopupMenuPopup() {
    if (QFileInfo(quillmapPath_).isFile()) quillmapProcess_->setEnabled(true);
}
