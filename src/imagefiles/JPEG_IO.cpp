// JPEG files to and from TExtBitmap: libjpeg-turbo coding straight from and into the bitmap's rows.
#include "JPEG_IO.h"

#include "JpegFileSource.h"
#include "JpegSession.h"
#include "JpegStreamDestination.h"

#include <QByteArray>
#include <cstring>
#include <memory>
#include <vector>

namespace {

constexpr JSAMPLE kNeutralChroma = 128;
// A segment's 16-bit length counts its own two bytes.
constexpr qsizetype kMaxCommentBytes = 65533;

QByteArray CommentBytes(const QString& comment) {
    const QByteArray bytes = comment.toUtf8();
    if (bytes.size() <= kMaxCommentBytes) return bytes;
    qsizetype length = kMaxCommentBytes;
    // Cut before a character whose continuation bytes would not fit.
    while (length > 0 && (static_cast<unsigned char>(bytes[length]) & 0xC0) == 0x80) --length;
    return bytes.left(length);
}

// The writer's one failure, with its reason after it.
Failure JpegWriteFailure(const QString& reason) {
    return {FailureCode::CannotWrite, QStringLiteral("Error writing JPEG to file (%1)").arg(reason)};
}

// Copies grey levels into the Y samples of an interleaved YCbCr row, leaving Cb and Cr as they are.
void SetLuma(const std::uint8_t* grey, JSAMPLE* ycbcr, int width) {
    for (int x = 0; x < width; ++x, ycbcr += 3) *ycbcr = grey[x];
}

// Compresses the 8- or 24-bit bitmap into `sink`.
Status CompressBitmap(const TExtBitmap& bitmap, QIODevice& sink, int quality, const QByteArray& comment,
                      bool greyAsOneChannel) {
    const bool grey = bitmap.PixelFormat() == TPixelFormat::pf8bit;
    const bool greyAsYCbCr = grey && !greyAsOneChannel;
    const int width = bitmap.Width();
    // Grey written as YCbCr goes through one row of interleaved samples whose chroma stays neutral.
    std::vector<JSAMPLE> ycbcrRow(greyAsYCbCr ? 3 * static_cast<std::size_t>(width) : 0, kNeutralChroma);
    JpegCompression jpeg;
    JpegStreamDestination destination(sink);
    jpeg_compress_struct& info = jpeg.info;
    const bool compressed = RunGuarded(jpeg.errors, [&] {
        jpeg_create_compress(&info);
        destination.Attach(info);
        info.image_width = static_cast<JDIMENSION>(width);
        info.image_height = static_cast<JDIMENSION>(bitmap.Height());
        info.input_components = grey && greyAsOneChannel ? 1 : 3;
        info.in_color_space = !grey ? JCS_EXT_BGR : greyAsOneChannel ? JCS_GRAYSCALE : JCS_YCbCr;
        jpeg_set_defaults(&info);
        jpeg_set_quality(&info, quality, TRUE);
        jpeg_start_compress(&info, TRUE);
        jpeg_write_marker(&info, JPEG_COM, reinterpret_cast<const JOCTET*>(comment.constData()),
                          static_cast<unsigned int>(comment.size()));
        while (info.next_scanline < info.image_height) {
            const std::uint8_t* pixels = bitmap.ScanLine(static_cast<int>(info.next_scanline));
            // libjpeg only reads the rows it is given.
            JSAMPROW row = const_cast<JSAMPROW>(pixels);
            if (greyAsYCbCr) {
                SetLuma(pixels, ycbcrRow.data(), width);
                row = ycbcrRow.data();
            }
            jpeg_write_scanlines(&info, &row, 1);
        }
        jpeg_finish_compress(&info);
    });
    if (compressed) return {};
    return JpegWriteFailure(destination.WriteFailed() ? sink.errorString()
                                                      : QString::fromLocal8Bit(jpeg.errors.message));
}

// Bytes per pixel of the formats that JPEG pixels are read into; 0 for the others.
int ChannelsOf(TPixelFormat format) {
    switch (format) {
    case TPixelFormat::pf8bit:
        return 1;
    case TPixelFormat::pf24bit:
        return 3;
    case TPixelFormat::pf32bit:
        return 4;
    case TPixelFormat::pf16bit:
        return 0;
    }
    return 0;
}

TPixelFormat FormatOf(int components) {
    switch (components) {
    case 1:
        return TPixelFormat::pf8bit;
    case 3:
        return TPixelFormat::pf24bit;
    default:
        return TPixelFormat::pf32bit;
    }
}

unsigned int ScaleDenominator(std::uint8_t scale) {
    return scale >= 1 && scale <= 3 ? 1u << scale : 1u;
}

// Stores one row of four-component samples into a bitmap row of `channels` bytes per pixel. The fourth sample
// is alpha, the first three red, green and blue premultiplied by it; for the inverted CMYK that Adobe
// applications write this is also the right colour. `samples` may be `row` itself when channels is 4.
void StoreFourComponentRow(const JSAMPLE* samples, std::uint8_t* row, int width, int channels) {
    for (int x = 0; x < width; ++x, samples += 4, row += channels) {
        const int alpha = samples[3];
        const auto red = static_cast<std::uint8_t>(samples[0] * alpha / 255);
        const auto green = static_cast<std::uint8_t>(samples[1] * alpha / 255);
        const auto blue = static_cast<std::uint8_t>(samples[2] * alpha / 255);
        if (channels == 1) {
            // The luma weights that libjpeg uses for grey output.
            row[0] = static_cast<std::uint8_t>((77 * red + 150 * green + 29 * blue + 128) >> 8);
            continue;
        }
        row[0] = blue;
        row[1] = green;
        row[2] = red;
        if (channels == 4) row[3] = static_cast<std::uint8_t>(alpha);
    }
}

void ClearPixels(TExtBitmap& bitmap) {
    for (int y = 0; y < bitmap.Height(); ++y)
        std::memset(bitmap.ScanLine(y), 0, static_cast<std::size_t>(bitmap.BytesPerLine()));
}

} // namespace

Status SaveBitmapAsJpeg(const TExtBitmap& bitmap, QIODevice& sink, int quality, const QString& comment,
                        bool greyAsOneChannel) {
    if (bitmap.Width() == 0 || bitmap.Height() == 0)
        return Failure{FailureCode::CannotWrite, QStringLiteral("the image has no pixels")};
    const TPixelFormat format = bitmap.PixelFormat();
    if (format != TPixelFormat::pf8bit && format != TPixelFormat::pf24bit)
        return JpegWriteFailure(QStringLiteral("JPEG images are made from 8- or 24-bit bitmaps only"));
    return CompressBitmap(bitmap, sink, quality, CommentBytes(comment), greyAsOneChannel);
}

bool LoadJpegIntoBitmap(TExtBitmap& bitmap, const QString& fileName, bool adoptFormat, std::uint8_t scale,
                        const TLoadProgress& progress) {
    const TPixelFormat kept = bitmap.PixelFormat();
    if (!adoptFormat && kept != TPixelFormat::pf8bit && kept != TPixelFormat::pf24bit) return false;
    JpegFileSource source;
    if (!source.Open(fileName)) return false;
    jpeg_decompress_struct& info = source.Info();
    const int components = info.num_components;
    if (components != 1 && components != 3 && components != 4) return false;
    const TPixelFormat format = adoptFormat ? FormatOf(components) : kept;
    const int channels = ChannelsOf(format);
    // libjpeg converts one and three components to grey or blue-green-red itself (taking Y straight for
    // grey), but hands four components over as they are.
    const bool fourComponents = components == 4;
    info.out_color_space = fourComponents ? JCS_CMYK : channels == 1 ? JCS_GRAYSCALE : JCS_EXT_BGR;
    info.scale_num = 1;
    info.scale_denom = ScaleDenominator(scale);
    if (!RunGuarded(source.Errors(), [&] { jpeg_start_decompress(&info); })) return false;

    // libjpeg rounds the scaled size up, to (size + d - 1) / d.
    const auto width = static_cast<int>(info.output_width);
    bitmap.SetSize(0, 0);
    bitmap.SetPixelFormat(format);
    bitmap.SetSize(width, static_cast<int>(info.output_height));
    std::vector<JSAMPLE> fourComponentRow(
        fourComponents && channels != 4 ? 4 * static_cast<std::size_t>(width) : 0);
    int percentShown = -1;
    const bool decoded = RunGuarded(source.Errors(), [&] {
        while (info.output_scanline < info.output_height) {
            std::uint8_t* pixels = bitmap.ScanLine(static_cast<int>(info.output_scanline));
            JSAMPROW samples = fourComponentRow.empty() ? pixels : fourComponentRow.data();
            jpeg_read_scanlines(&info, &samples, 1);
            if (fourComponents) StoreFourComponentRow(samples, pixels, width, channels);
            const auto percent =
                static_cast<int>(std::uint64_t{info.output_scanline} * 100 / info.output_height);
            if (progress && percent > percentShown) progress(percentShown = percent);
        }
        jpeg_finish_decompress(&info);
    });
    if (!decoded) {
        ClearPixels(bitmap);
        return false;
    }
    bitmap.SetModified(true);
    return true;
}
