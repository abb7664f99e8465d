// TPngImage: a PNG image held in memory that moves pixel rows between PNG streams and bitmaps through libpng.
#pragma once

#include "DateTime.h"

#include <QList>
#include <QRect>
#include <QRgb>
#include <QString>
#include <QStringList>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

class QIODevice;
class QPainter;
class TExtBitmap;
class TPngImage;

enum class TProgressStage { psStarting, psRunning, psEnding };

using TProgressEvent = std::function<void(TPngImage& sender, TProgressStage stage, std::uint8_t percentDone,
                                          bool redrawNow, const QRect& r, const QString& msg)>;

class TPngImage {
public:
    TPngImage() = default;
    TPngImage(const TPngImage&) = delete;
    TPngImage& operator=(const TPngImage&) = delete;

    // Written as tEXt chunks; a read fills Title, Author and Description from the file's chunks.
    QString Title;
    QString Author;
    QString Description;
    QString Software;
    // Row filters the writer may choose from, as libpng's PNG_FILTER_* flags (default none, sub, up).
    int Filters = 0x38;
    int CompressionLevel = 3;
    // A read expands palette and grey images to RGB.
    bool ForceColor = true;
    TProgressEvent OnProgress;

    int BitDepth() const { return bitDepth_; }
    std::uint32_t BytesPerPixel() const { return bytesPerPixel_; }
    int ColorType() const { return colorType_; }
    std::uint32_t Width() const { return width_; }
    std::uint32_t Height() const { return height_; }
    int Interlace() const { return interlace_; }
    int Compression() const { return compression_; }
    int FilterMethod() const { return filterMethod_; }
    int NumberOfPasses() const { return numberOfPasses_; }
    bool Transparent() const { return transparent_; }
    // One "key=text" line for every text chunk of the last file read, in file order.
    const QStringList& TextChk() const { return textChk_; }
    // The tIME chunk of the last file read that had one; 0 before.
    TDateTime LastModified() const { return lastModified_; }
    const QList<QRgb>& Palette() const { return palette_; }
    int PaletteCount() const { return static_cast<int>(palette_.size()); }

    // The pixel rows, top to bottom, one 8-bit sample per channel in file order (red, green, blue, alpha);
    // alpha is inverted (0 opaque, 255 transparent).
    std::size_t RowBytes() const { return rowBytes_; }
    std::uint8_t* Row(std::uint32_t y) { return rowPointers_[y]; }
    const std::uint8_t* Row(std::uint32_t y) const { return rowPointers_[y]; }

    // Takes size, colour type, palette and pixels from an 8-bit or 24-bit bitmap.
    void AssignFromBitmap(const TExtBitmap& bitmap);
    // The same, except that an 8-bit bitmap's pixels are not copied: the image's rows are the bitmap's own,
    // so a full-disk image is not held twice while it is saved. The bitmap must stay as it is while the image
    // uses its rows.
    void ShareRowsOf(const TExtBitmap& bitmap);
    // Puts the image into the bitmap with its top-left pixel at (column, row), enlarging the bitmap as
    // needed; pixels with alpha are composited over what the bitmap holds.
    void CopyToBitmap(TExtBitmap& bitmap, int column, int row) const;
    void Draw(QPainter& canvas) const;

    // One PNG datastream at the stream's current position.
    void LoadFromStream(QIODevice& stream);
    void SaveToStream(QIODevice& stream);
    void LoadFromFile(const QString& fileName);

    // Sizes the pixel buffer for Height rows of RowBytes; a size of 0 leaves no buffer.
    void AllocateRows();
    void Progress(TProgressStage stage, std::uint8_t percentDone, bool redrawNow, const QRect& r,
                  const QString& msg);
    // Reports a write or read that reached row `row`, unless this image reported a row less than 100 ms ago.
    void ReportRow(std::uint32_t row);

    // What a write puts into the file: the colour type of the channels held, and the key and Latin-1 text of
    // every text that is not blank, in the order Author, Description, Software, Title. A write refuses an
    // image without rows.
    int WrittenColorType() const;
    std::vector<std::pair<QByteArray, QByteArray>> TextsToWrite() const;
    void RequireRows() const;

private:
    // Size, colour type and palette of an 8-bit or 24-bit bitmap; the rows are left to the caller.
    void TakeFormatOf(const TExtBitmap& bitmap);

    int bitDepth_ = 0;
    std::uint32_t bytesPerPixel_ = 0;
    int colorType_ = 2;
    std::uint32_t height_ = 0;
    std::uint32_t width_ = 0;
    int interlace_ = 0;
    int compression_ = 0;
    int filterMethod_ = 0;
    bool transparent_ = false;
    std::size_t rowBytes_ = 0;
    int numberOfPasses_ = 0;
    std::unique_ptr<std::uint8_t[]> pixelBuffer_;
    std::vector<std::uint8_t*> rowPointers_;
    QStringList textChk_;
    TDateTime lastModified_ = 0;
    QList<QRgb> palette_;
    std::optional<std::chrono::steady_clock::time_point> lastRowReport_;
};
