// TFormSingleImage: the full-size viewer of one band's newest image.
#include "SingleImageForm.h"

#include "BitmapView.h"
#include "ImageFileLoading.h"
#include "ImageScrollBox.h"
#include "ViewerWorkers.h"

#include <QAction>
#include <QApplication>
#include <QFileInfo>
#include <QFontDatabase>
#include <QGridLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPointer>
#include <QStatusBar>
#include <QThreadPool>
#include <utility>

namespace {

constexpr QSize kDesignClientSize(537, 346);
const QString kFontFamily = QStringLiteral("Tahoma");
constexpr int kFontPoints = 8;
// The most zoom keys kept while a picture is read; a held key repeats, and only the last few matter.
constexpr std::size_t kMostPendingKeys = 16;
const QString kZoomKeys = QStringLiteral(
    "F  fit      1  1:1      + −  zoom      Ctrl + wheel  zoom at the pointer      drag  move");

// Three significant digits at most, without trailing zeros: "4.79 %", "12.5 %", "50 %", "1600 %".
QString ZoomText(double zoom, bool fitted) {
    const double percent = zoom * 100;
    QString number = QString::number(percent, 'f', percent < 10 ? 2 : percent < 100 ? 1 : 0);
    if (number.contains('.')) {
        while (number.endsWith('0')) number.chop(1);
        if (number.endsWith('.')) number.chop(1);
    }
    return (fitted ? QStringLiteral("Fit: ") : QString()) + number + QStringLiteral(" %");
}

// "Loading 202501211200-g16-b02.jpg … 40 %".
QString LoadingText(const QString& fileName, int percentDone) {
    QString text = "Loading " + QFileInfo(fileName).fileName() + QStringLiteral(" \u2026");
    if (percentDone >= 0) text += QStringLiteral(" %1 %").arg(percentDone);
    return text;
}

} // namespace

TFormSingleImage::TFormSingleImage(QWidget* parent)
    : QWidget(parent, Qt::Window), scrollBox_(new ImageScrollBox(this)), zoomLabel_(new QLabel),
      loadingLabel_(new QLabel) {
    setObjectName(QStringLiteral("FormSingleImage"));
    resize(kDesignClientSize);
    // Where the viewer's font is missing, it keeps the desktop's standard font, as the main window has.
    if (QFontDatabase::hasFamily(kFontFamily)) setFont(QFont(kFontFamily, kFontPoints));
    auto* statusLine = new QStatusBar;
    statusLine->setObjectName(QStringLiteral("StatusLine"));
    statusLine->setSizeGripEnabled(false);
    zoomLabel_->setObjectName(QStringLiteral("LabelZoom"));
    statusLine->addWidget(zoomLabel_);
    auto* keys = new QLabel(kZoomKeys);
    // The hint gives way on a narrow window rather than widening it.
    keys->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    statusLine->addWidget(keys, 1);
    loadingLabel_->setObjectName(QStringLiteral("LabelLoading"));
    loadingLabel_->setAlignment(Qt::AlignCenter);
    loadingLabel_->setAttribute(Qt::WA_TransparentForMouseEvents);
    QFont loadingFont = loadingLabel_->font();
    loadingFont.setPointSizeF(loadingFont.pointSizeF() * 2);
    loadingLabel_->setFont(loadingFont);
    loadingLabel_->hide();
    // The message lies over the middle of the picture's place.
    auto* layout = new QGridLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(scrollBox_, 0, 0);
    layout->addWidget(loadingLabel_, 0, 0);
    layout->addWidget(statusLine, 1, 0);
    connect(scrollBox_, &ImageScrollBox::ZoomChanged, this, &TFormSingleImage::ShowZoom);
    connect(scrollBox_, &ImageScrollBox::OverviewMade, this, &TFormSingleImage::OverviewMade);
    ShowZoom(1, false);

    auto* quillmap = new QAction(QStringLiteral("Quillmap process ... "), this);
    quillmap->setObjectName(QStringLiteral("PopupQuillmapprocess"));
    connect(quillmap, &QAction::triggered, this, [this] { emit QuillmapProcessRequested(imageBand_); });
    auto* separator = new QAction(this);
    separator->setObjectName(QStringLiteral("N1"));
    separator->setSeparator(true);
    auto* quit = new QAction(QStringLiteral("Quit"), this);
    quit->setObjectName(QStringLiteral("PopupQuit"));
    connect(quit, &QAction::triggered, this, &QWidget::hide);
    addActions({quillmap, separator, quit});
    setContextMenuPolicy(Qt::ActionsContextMenu);
}

const TExtBitmap& TFormSingleImage::Picture() const {
    return scrollBox_->View().Picture();
}

double TFormSingleImage::Zoom() const {
    return scrollBox_->Zoom();
}

bool TFormSingleImage::Fitted() const {
    return scrollBox_->Fitted();
}

void TFormSingleImage::ShowImage(int band, const QString& fileName, const QString& caption) {
    // An empty title makes the window system show the program's name; a blank keeps the caption empty.
    setWindowTitle(caption.isEmpty() ? QStringLiteral(" ") : caption);
    imageFileName_ = fileName;
    imageBand_ = band;
    if (isVisible()) {
        LoadPicture();
        setWindowState(windowState() & ~Qt::WindowMinimized);
        raise();
        activateWindow();
    } else {
        showMaximized();
    }
}

void TFormSingleImage::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    // A window restored by the window system keeps its picture; only a show by the program loads the file.
    if (!event->spontaneous()) LoadPicture();
}

void TFormSingleImage::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) {
        hide();
        return;
    }
    if (!ZoomKey(event->key())) QWidget::keyPressEvent(event);
}

bool TFormSingleImage::ZoomKey(int key) {
    switch (key) {
    case Qt::Key_F:
    case Qt::Key_1:
    case Qt::Key_Plus:
    case Qt::Key_Equal: // + without Shift on most keyboards
    case Qt::Key_Minus:
        break;
    default:
        return false;
    }
    if (!loading_)
        ApplyZoomKey(key);
    else if (pendingKeys_.size() < kMostPendingKeys)
        pendingKeys_.push_back(key);
    return true;
}

void TFormSingleImage::ApplyZoomKey(int key) {
    switch (key) {
    case Qt::Key_F:
        scrollBox_->Fit();
        break;
    case Qt::Key_1:
        scrollBox_->ActualSize();
        break;
    case Qt::Key_Minus:
        scrollBox_->ZoomOut();
        break;
    default:
        scrollBox_->ZoomIn();
        break;
    }
}

void TFormSingleImage::ShowZoom(double zoom, bool fitted) {
    zoomLabel_->setText(ZoomText(zoom, fitted));
}

// The old picture goes first: a full-disk image is large, and a file that cannot be read shows an empty
// picture, never the previous band's picture (or a part of one) under the new caption. Decoding a full-disk
// image takes seconds, so it runs on a pool thread; only the newest request's picture is shown.
void TFormSingleImage::LoadPicture() {
    TExtBitmap& picture = scrollBox_->View().Picture();
    // Giving back the pages of a full-disk picture takes a while; the pool does it, not the window.
    QImage previous = picture.Image();
    picture.SetSize(0, 0);
    ViewerWorkers().start([previous = std::move(previous)]() mutable { previous = QImage(); });
    picture.SetPixelFormat(TPixelFormat::pf8bit);
    picture.SetGreyPalette();
    scrollBox_->PictureChanged();
    const int request = ++loadRequest_;
    loading_ = true;
    // Keys pressed for the picture before are not meant for this one.
    pendingKeys_.clear();
    loadingLabel_->setText(LoadingText(imageFileName_, -1));
    loadingLabel_->show();
    const QPointer<TFormSingleImage> viewer(this);
    const auto progress = [viewer, request](int percentDone) {
        QMetaObject::invokeMethod(qApp, [viewer, request, percentDone] {
            if (viewer) viewer->ShowLoadProgress(request, percentDone);
        });
    };
    ViewerWorkers().start([viewer, request, progress, fileName = imageFileName_] {
        QMetaObject::invokeMethod(qApp, [viewer, request, image = LoadGreyImage(fileName, progress)] {
            if (viewer) viewer->ShowLoadedPicture(request, image);
        });
    });
}

void TFormSingleImage::ShowLoadProgress(int request, int percentDone) {
    if (request != loadRequest_ || !loading_) return;
    loadingLabel_->setText(LoadingText(imageFileName_, percentDone));
    emit LoadProgressed(percentDone);
}

void TFormSingleImage::ShowLoadedPicture(int request, const QImage& image) {
    if (request != loadRequest_) return;
    loading_ = false;
    if (image.isNull()) {
        loadingLabel_->setText(QFileInfo(imageFileName_).fileName() + QStringLiteral(" cannot be shown"));
        pendingKeys_.clear();
    } else {
        scrollBox_->View().Picture().AdoptImage(image);
        loadingLabel_->hide();
    }
    scrollBox_->PictureChanged();
    for (const int key : std::exchange(pendingKeys_, {})) ApplyZoomKey(key);
    emit PictureLoaded();
}
