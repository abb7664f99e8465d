// TExtBitmap over QImage; resampling through OpenCV (cubic enlargement, area-averaging reduction).
#include "BMPExtImage.h"

#include <QString>
#include <algorithm>
#include <climits>
#include <cstring>
#include <new>
#include <opencv2/imgproc.hpp>
#include <string>

namespace {

constexpr int kIplRowAlignment = 8;

int InterpolationFlag(int mode, bool enlarge) {
    switch (mode) {
    case -1:
        return enlarge ? cv::INTER_CUBIC : cv::INTER_AREA;
    case 0:
        return cv::INTER_NEAREST;
    case 1:
        return cv::INTER_LINEAR;
    case 2:
        return cv::INTER_CUBIC;
    case 3:
        return cv::INTER_AREA;
    default:
        throw EInvalidGraphicOperation("unknown interpolation mode " + std::to_string(mode));
    }
}

cv::Mat MatOver(const IplImage& image) {
    return cv::Mat(image.height, image.width, CV_8UC(image.nChannels), image.imageData,
                   static_cast<size_t>(image.widthStep));
}

} // namespace

QImage::Format TExtBitmap::QtFormat() const {
    switch (format_) {
    case TPixelFormat::pf8bit:
        return QImage::Format_Indexed8;
    case TPixelFormat::pf16bit:
        return QImage::Format_RGB16;
    case TPixelFormat::pf24bit:
        return QImage::Format_BGR888;
    case TPixelFormat::pf32bit:
        return QImage::Format_ARGB32;
    }
    return QImage::Format_ARGB32;
}

int TExtBitmap::BitsPerPixel() const {
    switch (format_) {
    case TPixelFormat::pf8bit:
        return 8;
    case TPixelFormat::pf16bit:
        return 16;
    case TPixelFormat::pf24bit:
        return 24;
    case TPixelFormat::pf32bit:
        return 32;
    }
    return 32;
}

QList<QRgb> TExtBitmap::GreyRamp() {
    QList<QRgb> ramp(256);
    for (int i = 0; i < 256; ++i) ramp[i] = qRgb(i, i, i);
    return ramp;
}

void TExtBitmap::SetPixelFormat(TPixelFormat format) {
    if (format == format_) return;
    format_ = format;
    if (format_ == TPixelFormat::pf8bit) {
        if (image_.isNull()) {
            palette_ = GreyRamp();
        } else {
            image_ = image_.convertToFormat(QImage::Format_Indexed8);
            palette_ = image_.colorTable();
        }
    } else if (!image_.isNull()) {
        image_ = image_.convertToFormat(QtFormat());
    }
}

void TExtBitmap::SetSize(int width, int height) {
    width = std::max(width, 0);
    height = std::max(height, 0);
    if (width == width_ && height == height_) return;
    width_ = width;
    height_ = height;
    if (width_ == 0 || height_ == 0) {
        image_ = QImage();
        return;
    }
    QImage resized(width_, height_, QtFormat());
    if (resized.isNull()) {
        width_ = height_ = 0;
        image_ = QImage();
        throw std::bad_alloc();
    }
    if (format_ == TPixelFormat::pf8bit) resized.setColorTable(palette_);
    // Every pixel starts at 0 (black, or palette index 0), so what is later blended over it is well defined.
    resized.fill(0);
    if (!image_.isNull()) {
        const int rows = std::min(image_.height(), height_);
        const qsizetype bytes = std::min(image_.bytesPerLine(), resized.bytesPerLine());
        for (int y = 0; y < rows; ++y) std::memcpy(resized.scanLine(y), image_.constScanLine(y), bytes);
    }
    image_ = std::move(resized);
}

void TExtBitmap::AdoptImage(QImage image) {
    if (image.format() != QtFormat())
        throw EInvalidGraphicOperation("cannot take in a picture of another pixel format");
    // Setting a colour table copies the pixels of an image that is shared, so only a different one is set.
    if (format_ == TPixelFormat::pf8bit && image.colorTable() != palette_) image.setColorTable(palette_);
    width_ = image.width();
    height_ = image.height();
    image_ = std::move(image);
}

void TExtBitmap::SetPalette(const QList<QRgb>& palette) {
    palette_ = palette.mid(0, 256);
    if (format_ == TPixelFormat::pf8bit && !image_.isNull()) image_.setColorTable(palette_);
}

void TExtBitmap::SetModified(bool modified) {
    modified_ = modified;
    if (modified_ && onChange_) onChange_();
}

void TExtBitmap::SetGreyPalette() {
    if (!HasPalette()) return;
    const QList<QRgb> ramp = GreyRamp();
    if (palette_ == ramp) return;
    SetPalette(ramp);
    SetModified(true);
}

void TExtBitmap::Interpolate(int newWidth, int newHeight, int mode) {
    const int w = width_;
    const int h = height_;
    if (newWidth == w && newHeight == h) return;
    if (h < 3 || w < 3) return;
    if (newWidth <= 0 || newHeight <= 0)
        throw EInvalidGraphicOperation(QStringLiteral("cannot resize an image to %1 × %2 pixels")
                                           .arg(newWidth)
                                           .arg(newHeight)
                                           .toStdString());
    const bool enlarge = newWidth >= w && newHeight >= h;
    const bool reduce = newWidth <= w && newHeight <= h;
    if (!enlarge && !reduce)
        throw EInvalidGraphicOperation(
            "Error: Interpolate called with increase width and reduce height or vice-versa.");
    if (format_ != TPixelFormat::pf8bit && format_ != TPixelFormat::pf24bit)
        throw EInvalidGraphicOperation("Error: Interpolate called without 8-bit or 24-bit pixels.");
    const int flag = InterpolationFlag(mode, enlarge);

    // The library reads the bitmap's own rows, so no copy of the source is made; the pixels are released
    // once the target holds the result.
    IplImagePtr target = MakeBlankIPL(newWidth, newHeight);
    const cv::Mat source(h, w, CV_8UC(target->nChannels), const_cast<uchar*>(image_.constBits()),
                         static_cast<size_t>(image_.bytesPerLine()));
    cv::resize(source, MatOver(*target), cv::Size(newWidth, newHeight), 0, 0, flag);
    SetSize(0, 0);
    AssignFromIPL(target.get());
    target.reset();
    SetModified(true);
}

IplImagePtr TExtBitmap::MakeBlankIPL(int width, int height) const {
    if (width == 0 || height == 0) return nullptr;
    int channels = 0;
    switch (format_) {
    case TPixelFormat::pf8bit:
        channels = 1;
        break;
    case TPixelFormat::pf24bit:
        channels = 3;
        break;
    default:
        throw EInvalidGraphicOperation("Error: MakeBlankIPL called without 8 or 24-bit pixels.");
    }
    auto image = std::make_unique<IplImage>();
    image->nChannels = channels;
    image->width = width;
    image->height = height;
    const qint64 rowStep =
        (static_cast<qint64>(width) * channels + kIplRowAlignment - 1) / kIplRowAlignment * kIplRowAlignment;
    // A row step beyond what the image's field holds cannot be allocated either.
    if (width > 0 && height > 0 && rowStep <= INT_MAX) {
        image->widthStep = static_cast<int>(rowStep);
        image->storage.reset(new (std::nothrow) std::uint8_t[static_cast<size_t>(rowStep) * height]);
    }
    image->imageData = image->storage.get();
    if (static_cast<qint64>(width) * height > 0 && image->imageData == nullptr)
        throw std::runtime_error(
            QString::asprintf("No memory can be allocated for ipl image in MakeBlankIpl\r"
                              "Request was for %d channel image, width: %d x height: %d",
                              channels, width, height)
                .toStdString());
    return image;
}

IplImagePtr TExtBitmap::MakeIPL() const {
    return MakeIPLWindow(width_, height_, 0, 0);
}

IplImagePtr TExtBitmap::MakeIPLWindow(int width, int height, int columnShift, int rowShift) const {
    if (width == 0 || height == 0) return nullptr;
    IplImagePtr image = MakeBlankIPL(width, height);
    if (!image || image_.isNull()) return image;
    const int bytesPerPixel = format_ == TPixelFormat::pf8bit ? 1 : 3;
    const int sourceColumn = columnShift < 0 ? -columnShift : 0;
    const int targetColumn = columnShift > 0 ? columnShift : 0;
    // Clipped to the image row so that a narrow window never writes past it.
    const int pixels = std::min(width_ - std::abs(columnShift), width - targetColumn);
    if (pixels <= 0) return image;
    for (int y = 0; y < height_; ++y) {
        const int targetRow = rowShift + y;
        if (targetRow < 0 || targetRow >= height) continue;
        std::memcpy(image->imageData + static_cast<qsizetype>(targetRow) * image->widthStep +
                        targetColumn * bytesPerPixel,
                    image_.constScanLine(y) + sourceColumn * bytesPerPixel,
                    static_cast<size_t>(pixels) * bytesPerPixel);
    }
    return image;
}

void TExtBitmap::AssignFromIPL(const IplImage* image) {
    if (image == nullptr) return;
    SetHeight(0);
    if (image->nChannels == 1)
        SetPixelFormat(TPixelFormat::pf8bit);
    else if (image->nChannels == 3)
        SetPixelFormat(TPixelFormat::pf24bit);
    SetSize(image->width, image->height);
    if (image_.isNull()) return;
    const size_t rowBytes = static_cast<size_t>(image->width) * image->nChannels;
    const size_t available = static_cast<size_t>(image_.bytesPerLine());
    for (int y = 0; y < height_; ++y)
        std::memcpy(image_.scanLine(y), image->imageData + static_cast<qsizetype>(y) * image->widthStep,
                    std::min(rowBytes, available));
}
