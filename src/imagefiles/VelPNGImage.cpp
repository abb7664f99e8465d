// TPngImage: libpng reads and writes through PngSession, and the pixel transfer to and from TExtBitmap.
#include "VelPNGImage.h"

#include "BMPExtImage.h"
#include "GraphicErrors.h"
#include "PngSession.h"

#include <QDate>
#include <QFile>
#include <QPainter>
#include <QTime>
#include <algorithm>
#include <chrono>
#include <climits>
#include <cstring>
#include <ctime>
#include <stdexcept>
#include <utility>

namespace {

constexpr double kScreenGamma = 2.2;
// With the screen gamma its product is 1.00001, which libpng treats as no correction.
constexpr double kAssumedFileGamma = 0.45455;
// The most libpng may take for one text or other ancillary chunk; a damaged file can declare gigabytes,
// which libpng would otherwise allocate and clear before finding the file too short. libpng reports a
// larger chunk as a "benign" error and reads on, so such errors must stop the read.
constexpr png_alloc_size_t kLargestAncillaryChunk = 8'000'000;

bool IsGreyRamp(const QList<QRgb>& palette) {
    for (int i = 0; i < palette.size(); ++i)
        if (qRed(palette[i]) != i || qGreen(palette[i]) != i || qBlue(palette[i]) != i) return false;
    return true;
}

// Blanks and control characters only: such a text gives no chunk.
bool IsBlank(const QString& text) {
    return std::all_of(text.cbegin(), text.cend(), [](QChar c) { return c <= QChar(u' '); });
}

using TextFields = std::vector<std::pair<QByteArray, QByteArray>>;

// png_text entries point into the fields.
std::vector<png_text> TextEntries(TextFields& fields) {
    std::vector<png_text> entries;
    for (auto& [key, text] : fields) {
        png_text entry{};
        entry.compression = PNG_TEXT_COMPRESSION_NONE;
        entry.key = key.data();
        entry.text = text.data();
        entry.text_length = static_cast<size_t>(text.size());
        entries.push_back(entry);
    }
    return entries;
}

std::vector<png_color> PlteEntries(const QList<QRgb>& palette) {
    std::vector<png_color> entries;
    for (QRgb colour : palette)
        entries.push_back({static_cast<png_byte>(qRed(colour)), static_cast<png_byte>(qGreen(colour)),
                           static_cast<png_byte>(qBlue(colour))});
    return entries;
}

QList<QRgb> PaletteOf(png_structp png, png_infop info) {
    QList<QRgb> palette;
    png_colorp entries = nullptr;
    int count = 0;
    if (png_get_PLTE(png, info, &entries, &count) == 0) return palette;
    for (int i = 0; i < count; ++i) palette.append(qRgb(entries[i].red, entries[i].green, entries[i].blue));
    return palette;
}

QList<std::pair<QString, QString>> TextChunksOf(png_structp png, png_infop info) {
    QList<std::pair<QString, QString>> chunks;
    png_textp texts = nullptr;
    const int count = png_get_text(png, info, &texts, nullptr);
    for (int i = 0; i < count; ++i) {
        const png_text& t = texts[i];
        // iTXt holds UTF-8; tEXt and zTXt hold Latin-1.
        const bool international = t.compression >= PNG_ITXT_COMPRESSION_NONE;
        const size_t length = international ? t.itxt_length : t.text_length;
        const auto size = static_cast<qsizetype>(length);
        chunks.append({QString::fromLatin1(t.key),
                       international ? QString::fromUtf8(t.text, size) : QString::fromLatin1(t.text, size)});
    }
    return chunks;
}

TDateTime DateTimeOf(const png_time& time) {
    if (!QDate::isValid(time.year, time.month, time.day) ||
        !QTime::isValid(time.hour, time.minute, time.second))
        throw EReadError("damaged PNG data (invalid date or time in the tIME chunk)");
    return EncodeDateTime({time.year, time.month, time.day, time.hour, time.minute, time.second, 0});
}

// a is the inverted alpha: 0 gives the new value, 255 keeps the old one.
std::uint8_t Blend(unsigned a, unsigned old, unsigned fresh) {
    return static_cast<std::uint8_t>((a * old + (255 - a) * fresh) / 255);
}

// One image row onto the bitmap row, whose pixel format already matches the image's channels.
void CompositeGrey(const std::uint8_t* source, std::uint8_t* target, std::uint32_t width) {
    for (std::uint32_t c = 0; c < width; ++c, source += 2, ++target)
        *target = Blend(source[1], *target, source[0]);
}

void RgbToBgr(const std::uint8_t* source, std::uint8_t* target, std::uint32_t width) {
    for (std::uint32_t c = 0; c < width; ++c, source += 3, target += 3) {
        target[0] = source[2];
        target[1] = source[1];
        target[2] = source[0];
    }
}

void CompositeRgba(const std::uint8_t* source, std::uint8_t* target, std::uint32_t width) {
    for (std::uint32_t c = 0; c < width; ++c, source += 4, target += 3)
        for (int channel = 0; channel < 3; ++channel)
            target[channel] = Blend(source[3], target[channel], source[2 - channel]);
}

constexpr std::chrono::milliseconds kRowReportInterval{100};

} // namespace

TextFields TPngImage::TextsToWrite() const {
    TextFields fields;
    const std::pair<const char*, const QString*> named[] = {
        {"Author", &Author}, {"Description", &Description}, {"Software", &Software}, {"Title", &Title}};
    for (const auto& [key, text] : named)
        if (!IsBlank(*text)) fields.emplace_back(QByteArray(key), text->toLatin1());
    return fields;
}

void TPngImage::RequireRows() const {
    if (width_ == 0 || height_ == 0 || rowPointers_.empty()) throw EWriteError("the image has no pixels");
}

void TPngImage::ReportRow(std::uint32_t row) {
    const auto now = std::chrono::steady_clock::now();
    if (lastRowReport_ && now - *lastRowReport_ <= kRowReportInterval) return;
    const auto percent = static_cast<std::uint8_t>(height_ == 0 ? 0 : std::uint64_t{row} * 100 / height_);
    Progress(TProgressStage::psRunning, percent, false, QRect(), QStringLiteral("Running"));
    lastRowReport_ = now;
}

void TPngImage::AllocateRows() {
    rowPointers_.clear();
    pixelBuffer_.reset();
    const std::size_t total = std::size_t{height_} * rowBytes_;
    if (total == 0) return;
    pixelBuffer_ = std::make_unique_for_overwrite<std::uint8_t[]>(total);
    rowPointers_.resize(height_);
    for (std::uint32_t y = 0; y < height_; ++y) rowPointers_[y] = pixelBuffer_.get() + y * rowBytes_;
}

void TPngImage::Progress(TProgressStage stage, std::uint8_t percentDone, bool redrawNow, const QRect& r,
                         const QString& msg) {
    if (OnProgress) OnProgress(*this, stage, percentDone, redrawNow, r, msg);
}

void TPngImage::AssignFromBitmap(const TExtBitmap& bitmap) {
    TakeFormatOf(bitmap);
    AllocateRows();
    for (std::uint32_t y = 0; pixelBuffer_ && y < height_; ++y) {
        const std::uint8_t* source = bitmap.ScanLine(static_cast<int>(y));
        if (bytesPerPixel_ == 1)
            std::memcpy(rowPointers_[y], source, rowBytes_);
        else // the same swap turns blue-green-red into red-green-blue
            RgbToBgr(source, rowPointers_[y], width_);
    }
}

void TPngImage::ShareRowsOf(const TExtBitmap& bitmap) {
    if (bitmap.PixelFormat() != TPixelFormat::pf8bit) {
        AssignFromBitmap(bitmap);
        return;
    }
    TakeFormatOf(bitmap);
    pixelBuffer_.reset();
    rowPointers_.clear();
    // libpng copies each row before it filters it, so the bitmap's rows are only read.
    for (std::uint32_t y = 0; y < height_; ++y)
        rowPointers_.push_back(const_cast<std::uint8_t*>(bitmap.ScanLine(static_cast<int>(y))));
}

void TPngImage::TakeFormatOf(const TExtBitmap& bitmap) {
    switch (bitmap.PixelFormat()) {
    case TPixelFormat::pf8bit:
        bytesPerPixel_ = 1;
        palette_ = bitmap.HasPalette() ? bitmap.Palette().mid(0, 256) : QList<QRgb>();
        colorType_ = IsGreyRamp(palette_) ? PNG_COLOR_TYPE_GRAY : PNG_COLOR_TYPE_PALETTE;
        break;
    case TPixelFormat::pf24bit:
        bytesPerPixel_ = 3;
        palette_.clear();
        colorType_ = PNG_COLOR_TYPE_RGB;
        break;
    default:
        throw EInvalidGraphicOperation("Unsupported bitmap format");
    }
    width_ = static_cast<std::uint32_t>(bitmap.Width());
    height_ = static_cast<std::uint32_t>(bitmap.Height());
    bitDepth_ = 8;
    rowBytes_ = std::size_t{width_} * bytesPerPixel_;
}

void TPngImage::CopyToBitmap(TExtBitmap& bitmap, int column, int row) const {
    if (column < 0 || row < 0) throw EInvalidGraphicOperation("cannot place an image at a negative position");
    // The bitmap's sides are ints: the image must fit where it is placed.
    if (std::int64_t{row} + height_ > INT_MAX) throw std::runtime_error("Image too high");
    if (std::int64_t{column} + width_ > INT_MAX) throw std::runtime_error("Image too wide");
    const std::uint32_t channels = bytesPerPixel_;
    if (channels == 1 || channels == 2) bitmap.SetPixelFormat(TPixelFormat::pf8bit);
    if (channels >= 3) bitmap.SetPixelFormat(TPixelFormat::pf24bit);
    if (channels == 1 && !palette_.isEmpty()) bitmap.SetPalette(palette_);
    bitmap.SetSize(std::max(bitmap.Width(), column + static_cast<int>(width_)),
                   std::max(bitmap.Height(), row + static_cast<int>(height_)));
    bitmap.Transparent = transparent_;
    const int targetBytesPerPixel = channels >= 3 ? 3 : 1;
    for (std::uint32_t y = 0; !rowPointers_.empty() && y < height_; ++y) {
        const std::uint8_t* source = rowPointers_[y];
        std::uint8_t* target =
            bitmap.ScanLine(row + static_cast<int>(y)) + std::size_t(column) * targetBytesPerPixel;
        switch (channels) {
        case 1:
            std::memcpy(target, source, width_);
            break;
        case 2:
            CompositeGrey(source, target, width_);
            break;
        case 3:
            RgbToBgr(source, target, width_);
            break;
        default:
            CompositeRgba(source, target, width_);
            break;
        }
    }
    bitmap.SetModified(true);
}

void TPngImage::Draw(QPainter& canvas) const {
    TExtBitmap bitmap;
    CopyToBitmap(bitmap, 0, 0);
    canvas.drawImage(0, 0, bitmap.Image());
}

// The buffer always holds 8-bit samples (reads strip 16-bit samples and unpack smaller ones), so the colour
// type written follows the channels actually held.
int TPngImage::WrittenColorType() const {
    switch (bytesPerPixel_) {
    case 1:
        return colorType_ == PNG_COLOR_TYPE_PALETTE && !palette_.isEmpty() ? PNG_COLOR_TYPE_PALETTE
                                                                           : PNG_COLOR_TYPE_GRAY;
    case 2:
        return PNG_COLOR_TYPE_GRAY_ALPHA;
    case 3:
        return PNG_COLOR_TYPE_RGB;
    default:
        return PNG_COLOR_TYPE_RGB_ALPHA;
    }
}

void TPngImage::SaveToStream(QIODevice& stream) {
    RequireRows();
    PngSession session(PngSession::Direction::Write, stream);
    Progress(TProgressStage::psStarting, 0, false, QRect(), QStringLiteral("Starting PNG write"));
    const int colorType = WrittenColorType();
    const std::vector<png_color> plte =
        colorType == PNG_COLOR_TYPE_PALETTE ? PlteEntries(palette_) : std::vector<png_color>();
    TextFields texts = TextsToWrite();
    const std::vector<png_text> textEntries = TextEntries(texts);
    if (OnProgress) session.CallAfterEachRow([this](std::uint32_t row) { ReportRow(row); });
    png_structp png = session.Png();
    png_infop info = session.Info();
    session.Run([&] {
        png_set_compression_level(png, CompressionLevel);
        png_set_IHDR(png, info, width_, height_, 8, colorType, interlace_, compression_, filterMethod_);
        if (!plte.empty()) png_set_PLTE(png, info, plte.data(), static_cast<int>(plte.size()));
        for (const png_text& entry : textEntries) png_set_text(png, info, &entry, 1);
        png_write_info(png, info);
        png_set_filter(png, PNG_FILTER_TYPE_BASE, Filters);
        if ((colorType & PNG_COLOR_MASK_ALPHA) != 0) png_set_invert_alpha(png);
        png_write_image(png, rowPointers_.data());
        png_time now;
        png_convert_from_time_t(&now, std::time(nullptr));
        png_set_tIME(png, info, &now);
        png_write_end(png, info);
    });
    Progress(TProgressStage::psEnding, 100, false, QRect(), QStringLiteral("Ended PNG write"));
}

void TPngImage::LoadFromStream(QIODevice& stream) {
    png_byte signature[4];
    if (stream.read(reinterpret_cast<char*>(signature), 4) != 4) throw EReadError("too short for a PNG file");
    if (png_sig_cmp(signature, 0, 4) != 0) throw std::runtime_error("Is not a valid PNG !");
    PngSession session(PngSession::Direction::Read, stream);
    Progress(TProgressStage::psStarting, 0, false, QRect(), QStringLiteral("Start PNG read"));
    png_structp png = session.Png();
    png_infop info = session.Info();
    session.Run([&] {
        png_set_sig_bytes(png, 4);
        png_set_chunk_malloc_max(png, kLargestAncillaryChunk);
        png_set_benign_errors(png, 0);
        png_read_info(png, info);
    });

    textChk_.clear();
    for (const auto& [key, text] : TextChunksOf(png, info)) {
        textChk_.append(key + u'=' + text);
        if (key.compare(u"Title", Qt::CaseInsensitive) == 0)
            Title = text;
        else if (key.compare(u"Author", Qt::CaseInsensitive) == 0)
            Author = text;
        else if (key.compare(u"Description", Qt::CaseInsensitive) == 0)
            Description = text;
    }
    png_get_IHDR(png, info, &width_, &height_, &bitDepth_, &colorType_, &interlace_, &compression_,
                 &filterMethod_);
    transparent_ = png_get_valid(png, info, PNG_INFO_bKGD) != 0;
    const bool palette = colorType_ == PNG_COLOR_TYPE_PALETTE;
    const bool grey = colorType_ == PNG_COLOR_TYPE_GRAY || colorType_ == PNG_COLOR_TYPE_GRAY_ALPHA;
    palette_ = palette && !ForceColor ? PaletteOf(png, info) : QList<QRgb>();
    double fileGamma = kAssumedFileGamma;
    png_get_gAMA(png, info, &fileGamma);

    session.Run([&] {
        if (palette && ForceColor) png_set_palette_to_rgb(png);
        if (colorType_ == PNG_COLOR_TYPE_GRAY && bitDepth_ < 8) png_set_expand_gray_1_2_4_to_8(png);
        if (png_get_valid(png, info, PNG_INFO_tRNS) != 0) png_set_tRNS_to_alpha(png);
        if (grey && ForceColor) png_set_gray_to_rgb(png);
        png_set_gamma(png, kScreenGamma, fileGamma);
        png_set_invert_alpha(png);
        if (bitDepth_ < 8) png_set_packing(png);
        if (bitDepth_ == 16) png_set_strip_16(png);
        if (interlace_ == PNG_INTERLACE_ADAM7) numberOfPasses_ = png_set_interlace_handling(png);
        png_read_update_info(png, info);
    });
    rowBytes_ = png_get_rowbytes(png, info);
    bytesPerPixel_ = png_get_channels(png, info);
    AllocateRows();

    if (OnProgress) session.CallAfterEachRow([this](std::uint32_t row) { ReportRow(row); });
    session.Run([&] {
        png_read_image(png, rowPointers_.data());
        png_read_end(png, info);
    });
    png_timep time = nullptr;
    if (png_get_tIME(png, info, &time) != 0) lastModified_ = DateTimeOf(*time);
    Progress(TProgressStage::psEnding, 100, false, QRect(), QStringLiteral("Ended PNG read"));
}

void TPngImage::LoadFromFile(const QString& fileName) {
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        throw EReadError(
            QStringLiteral("cannot read %1: %2").arg(fileName, file.errorString()).toStdString());
    LoadFromStream(file);
}
