// Test bitmaps, a JPEG segment reader and a four-component JPEG writer for the JPEG tests.
#include "JpegTestFiles.h"

#include "JPEG_IO.h"
#include "JpegSession.h"

#include <cmath>
#include <cstdlib>
#include <memory>

std::uint8_t GreyPattern(int x, int y) {
    return static_cast<std::uint8_t>(128.0 + 90.0 * std::sin(x / 37.0) * std::cos(y / 23.0) +
                                     (x - y) % 17 / 8.0);
}

void FillGrey(TExtBitmap& bitmap, int width, int height) {
    bitmap.SetPixelFormat(TPixelFormat::pf8bit);
    bitmap.SetSize(width, height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) bitmap.ScanLine(y)[x] = GreyPattern(x, y);
}

void FillBlueAndRed(TExtBitmap& bitmap, int width, int height) {
    bitmap.SetPixelFormat(TPixelFormat::pf24bit);
    bitmap.SetSize(width, height);
    for (int y = 0; y < height; ++y) {
        std::uint8_t* row = bitmap.ScanLine(y);
        for (int x = 0; x < width; ++x) {
            const bool blue = x < width / 2;
            row[3 * x] = blue ? 255 : 0;
            row[3 * x + 1] = 0;
            row[3 * x + 2] = blue ? 0 : 255;
        }
    }
}

GreyDeviation CompareWithGreyPattern(const TExtBitmap& bitmap) {
    GreyDeviation deviation;
    long long total = 0;
    for (int y = 0; y < bitmap.Height(); ++y)
        for (int x = 0; x < bitmap.Width(); ++x) {
            const int difference = std::abs(bitmap.ScanLine(y)[x] - GreyPattern(x, y));
            deviation.largest = std::max(deviation.largest, difference);
            total += difference;
        }
    deviation.mean = static_cast<double>(total) / (static_cast<double>(bitmap.Width()) * bitmap.Height());
    return deviation;
}

namespace {

constexpr int kSoi = 0xD8;
constexpr int kEoi = 0xD9;
constexpr int kSos = 0xDA;
constexpr int kDqt = 0xDB;
constexpr int kCom = 0xFE;

int Byte(const QByteArray& bytes, qsizetype at) {
    return static_cast<unsigned char>(bytes.at(at));
}
int Word(const QByteArray& bytes, qsizetype at) {
    return Byte(bytes, at) << 8 | Byte(bytes, at + 1);
}
bool IsFrameMarker(int code) {
    return code >= 0xC0 && code <= 0xCF && code != 0xC4 && code != 0xC8 && code != 0xCC;
}

void ReadQuantTables(const QByteArray& payload, JpegSegments& segments) {
    for (qsizetype at = 0; at < payload.size();) {
        const bool sixteenBit = Byte(payload, at) >> 4 != 0;
        ++at;
        int sum = 0;
        for (int i = 0; i < 64; ++i, at += sixteenBit ? 2 : 1)
            sum += sixteenBit ? Word(payload, at) : Byte(payload, at);
        segments.quantTableSums.push_back(sum);
    }
}

void ReadFrame(int code, const QByteArray& payload, JpegSegments& segments) {
    segments.frameMarker = code;
    segments.height = Word(payload, 1);
    segments.width = Word(payload, 3);
    for (int i = 0; i < Byte(payload, 5); ++i) {
        const qsizetype at = 6 + 3 * i;
        segments.components.push_back(
            {Byte(payload, at), Byte(payload, at + 1) >> 4, Byte(payload, at + 1) & 15});
    }
}

} // namespace

Status SaveJpegFile(const TExtBitmap& bitmap, const QString& path, int quality, const QString& comment,
                    bool greyAsOneChannel) {
    Status saved;
    const bool written = WriteFileWith(path, [&](QIODevice& file) {
        saved = SaveBitmapAsJpeg(bitmap, file, quality, comment, greyAsOneChannel);
        return saved.ok();
    });
    if (saved && !written) return Failure{FailureCode::CannotWrite, "cannot create " + path};
    return saved;
}

JpegSegments ReadJpegSegments(const QByteArray& file) {
    JpegSegments segments;
    if (file.size() < 4 || Byte(file, 0) != 0xFF || Byte(file, 1) != kSoi) return segments;
    segments.startsWithSoi = true;
    segments.endsWithEoi = Byte(file, file.size() - 2) == 0xFF && Byte(file, file.size() - 1) == kEoi;
    segments.markers.push_back(kSoi);
    for (qsizetype at = 2; at + 4 <= file.size() && Byte(file, at) == 0xFF;) {
        const int code = Byte(file, at + 1);
        segments.markers.push_back(code);
        if (code == kSos) break;
        const int length = Word(file, at + 2);
        const QByteArray payload = file.mid(at + 4, length - 2);
        if (code == kCom) segments.comments.push_back(payload);
        if (code == kDqt) ReadQuantTables(payload, segments);
        if (IsFrameMarker(code)) ReadFrame(code, payload, segments);
        at += 2 + length;
    }
    return segments;
}

QByteArray FourComponentJpeg(int width, int height, std::array<std::uint8_t, 4> samples) {
    std::vector<JSAMPLE> row(4 * static_cast<std::size_t>(width));
    for (std::size_t i = 0; i < row.size(); ++i) row[i] = samples[i % 4];
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    JpegCompression jpeg;
    jpeg_compress_struct& info = jpeg.info;
    const bool written = RunGuarded(jpeg.errors, [&] {
        jpeg_create_compress(&info);
        jpeg_mem_dest(&info, &buffer, &size);
        info.image_width = static_cast<JDIMENSION>(width);
        info.image_height = static_cast<JDIMENSION>(height);
        info.input_components = 4;
        info.in_color_space = JCS_CMYK;
        jpeg_set_defaults(&info);
        jpeg_set_colorspace(&info, JCS_CMYK);
        jpeg_set_quality(&info, 100, TRUE);
        jpeg_start_compress(&info, TRUE);
        while (info.next_scanline < info.image_height) {
            JSAMPROW rowPointer = row.data();
            jpeg_write_scanlines(&info, &rowPointer, 1);
        }
        jpeg_finish_compress(&info);
    });
    const std::unique_ptr<unsigned char, decltype(&std::free)> owned(buffer, &std::free);
    return written ? QByteArray(reinterpret_cast<const char*>(buffer), static_cast<qsizetype>(size))
                   : QByteArray();
}
