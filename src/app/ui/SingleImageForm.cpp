// TFormSingleImage: the full-size viewer of one band's newest image.
#include "SingleImageForm.h"

#include "BitmapView.h"
#include "ImageFileLoading.h"

#include <QAction>
#include <QApplication>
#include <QFontDatabase>
#include <QKeyEvent>
#include <QPointer>
#include <QScrollArea>
#include <QScrollBar>
#include <QThreadPool>
#include <QVBoxLayout>

namespace {

constexpr QSize kDesignClientSize(537, 346);
const QString kFontFamily = QStringLiteral("Tahoma");
constexpr int kFontPoints = 8;

} // namespace

TFormSingleImage::TFormSingleImage(QWidget* parent)
    : QWidget(parent, Qt::Window), scrollBox_(new QScrollArea(this)), image_(new BitmapView) {
    setObjectName(QStringLiteral("FormSingleImage"));
    resize(kDesignClientSize);
    // Where the viewer's font is missing, it keeps the desktop's standard font, as the main window has.
    if (QFontDatabase::hasFamily(kFontFamily)) setFont(QFont(kFontFamily, kFontPoints));
    scrollBox_->setObjectName(QStringLiteral("ScrollBox"));
    image_->setObjectName(QStringLiteral("Image"));
    scrollBox_->setWidget(image_);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(scrollBox_);

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
    return image_->Picture();
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
        // Free to take the size of the screen it opens on.
        setMinimumSize(0, 0);
        setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
        showMaximized();
    }
}

// A single, non-sizable border: the viewer opens maximised and then keeps the size that gave it.
void TFormSingleImage::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    if (isMaximized()) setFixedSize(size());
}

void TFormSingleImage::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::WindowStateChange && isMaximized()) setFixedSize(size());
}

void TFormSingleImage::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    // A window restored by the window system keeps its picture; only a show by the program loads the file.
    if (!event->spontaneous()) LoadPicture();
}

void TFormSingleImage::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape)
        hide();
    else
        QWidget::keyPressEvent(event);
}

// The old picture goes first: a full-disk image is large, and a file that cannot be read shows an empty
// picture, never the previous band's picture (or a part of one) under the new caption. Decoding a full-disk
// image takes seconds, so it runs on a pool thread; only the newest request's picture is shown.
void TFormSingleImage::LoadPicture() {
    TExtBitmap& picture = image_->Picture();
    // Giving back the pages of a full-disk picture takes a while; the pool does it, not the window.
    QImage previous = picture.Image();
    picture.SetSize(0, 0);
    QThreadPool::globalInstance()->start([previous = std::move(previous)]() mutable { previous = QImage(); });
    picture.SetPixelFormat(TPixelFormat::pf8bit);
    picture.SetGreyPalette();
    image_->PictureChanged();
    const int request = ++loadRequest_;
    QThreadPool::globalInstance()->start(
        [viewer = QPointer<TFormSingleImage>(this), request, fileName = imageFileName_] {
            QMetaObject::invokeMethod(qApp, [viewer, request, image = LoadGreyImage(fileName)] {
                if (viewer) viewer->ShowLoadedPicture(request, image);
            });
        });
}

void TFormSingleImage::ShowLoadedPicture(int request, const QImage& image) {
    if (request != loadRequest_) return;
    if (!image.isNull()) image_->Picture().AdoptImage(image);
    image_->PictureChanged();
    scrollBox_->horizontalScrollBar()->setValue(0);
    scrollBox_->verticalScrollBar()->setValue(0);
    emit PictureLoaded();
}
