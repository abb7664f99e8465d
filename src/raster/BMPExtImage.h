// TExtBitmap: the in-memory raster (8-bit grey/palette or 24-bit blue-green-red) and its resampling.
#pragma once

#include "GraphicErrors.h"

#include <QImage>
#include <QList>
#include <cstdint>
#include <functional>
#include <memory>

enum class TPixelFormat { pf8bit, pf16bit, pf24bit, pf32bit };

// The small image that resampling works on: interleaved 8-bit samples (blue, green, red for three channels),
// row 0 on top, every row padded to a multiple of 8 bytes.
struct IplImage {
    int nChannels = 0;
    int depth = 8;
    int width = 0;
    int height = 0;
    int widthStep = 0;
    std::uint8_t* imageData = nullptr;
    std::unique_ptr<std::uint8_t[]> storage;
};
using IplImagePtr = std::unique_ptr<IplImage>;

class TExtBitmap {
public:
    // A new bitmap is 32 bits per pixel (the device format) and empty; callers that want greyscale
    // set pf8bit and call SetGreyPalette.
    TExtBitmap() = default;
    TExtBitmap(const TExtBitmap&) = delete;
    TExtBitmap& operator=(const TExtBitmap&) = delete;

    TPixelFormat PixelFormat() const { return format_; }
    // Changing the format converts the pixels as Qt does; an empty 8-bit bitmap gets the grey ramp palette.
    void SetPixelFormat(TPixelFormat format);
    int BitsPerPixel() const;

    int Width() const { return width_; }
    int Height() const { return height_; }
    // Resizing keeps the pixel format, the palette and the overlapping pixels; a size of 0 releases the
    // pixels.
    void SetWidth(int width) { SetSize(width, height_); }
    void SetHeight(int height) { SetSize(width_, height); }
    void SetSize(int width, int height);
    // Takes the image as the bitmap's pixels (for example one built over memory that already holds them),
    // giving it the bitmap's palette. The image must be in the bitmap's pixel format.
    void AdoptImage(QImage image);
    bool Empty() const { return image_.isNull(); }

    // Row y, row 0 on top; valid while the size and format stay. Rows are padded to 4 bytes.
    std::uint8_t* ScanLine(int y) { return image_.scanLine(y); }
    const std::uint8_t* ScanLine(int y) const { return image_.constScanLine(y); }
    qsizetype BytesPerLine() const { return image_.bytesPerLine(); }

    // The 8-bit palette (up to 256 entries); empty when the bitmap has none.
    const QList<QRgb>& Palette() const { return palette_; }
    bool HasPalette() const { return format_ == TPixelFormat::pf8bit && !palette_.isEmpty(); }
    void SetPalette(const QList<QRgb>& palette);
    static QList<QRgb> GreyRamp();

    bool Transparent = false;

    bool Modified() const { return modified_; }
    // Setting the flag tells the display, if one listens, that the pixels changed.
    void SetModified(bool modified);
    void SetOnChange(std::function<void()> onChange) { onChange_ = std::move(onChange); }

    // The pixels as Qt sees them, for painting (a null image while empty).
    const QImage& Image() const { return image_; }

    void Interpolate(int newWidth, int newHeight, int mode = -1);
    void SetGreyPalette();
    IplImagePtr MakeBlankIPL(int width, int height) const;
    IplImagePtr MakeIPL() const;
    IplImagePtr MakeIPLWindow(int width, int height, int columnShift, int rowShift) const;
    void AssignFromIPL(const IplImage* image);

private:
    QImage::Format QtFormat() const;

    TPixelFormat format_ = TPixelFormat::pf32bit;
    int width_ = 0;
    int height_ = 0;
    QImage image_;
    QList<QRgb> palette_;
    bool modified_ = false;
    std::function<void()> onChange_;
};
