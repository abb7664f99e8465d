// Row-by-row decoding into an area-averaging reduction.
#include "ReducedImageReading.h"

#include "AreaReduction.h"
#include "JpegFileSource.h"
#include "PngSession.h"

#include <QFile>
#include <vector>

namespace {

// libjpeg reduces by 1/2, 1/4 and 1/8 while decoding.
constexpr unsigned kLargestScaleDenominator = 8;

unsigned ScaleDenominatorFor(unsigned width, unsigned height, QSize size, unsigned decodedPerTarget) {
    unsigned denominator = 1;
    const auto keepsEnough = [&](unsigned candidate) {
        const auto scaled = [&](unsigned side) { return (side + candidate - 1) / candidate; };
        return scaled(width) >= decodedPerTarget * static_cast<unsigned>(size.width()) &&
               scaled(height) >= decodedPerTarget * static_cast<unsigned>(size.height());
    };
    while (denominator < kLargestScaleDenominator && keepsEnough(denominator * 2)) denominator *= 2;
    return denominator;
}

bool Reducible(unsigned width, unsigned height, QSize size) {
    return size.width() > 0 && size.height() > 0 && width >= static_cast<unsigned>(size.width()) &&
           height >= static_cast<unsigned>(size.height());
}

QSize TargetOf(const ImageReduction& rule, unsigned width, unsigned height) {
    return rule.target(QSize(static_cast<int>(width), static_cast<int>(height)));
}

} // namespace

ImageReduction ReductionTo(QSize size) {
    return {[size](QSize) { return size; }};
}

std::optional<QImage> ReadReducedJpeg(const QString& fileName, const ImageReduction& rule) {
    JpegFileSource source;
    if (!source.Open(fileName)) return std::nullopt;
    jpeg_decompress_struct& info = source.Info();
    const QSize size = TargetOf(rule, info.image_width, info.image_height);
    if ((info.num_components != 1 && info.num_components != 3) ||
        !Reducible(info.image_width, info.image_height, size))
        return std::nullopt;
    info.out_color_space = JCS_GRAYSCALE;
    info.scale_num = 1;
    info.scale_denom =
        ScaleDenominatorFor(info.image_width, info.image_height, size, rule.decodedPixelsPerTargetPixel);
    if (!RunGuarded(source.Errors(), [&] { jpeg_start_decompress(&info); })) return std::nullopt;

    AreaReduction reduction(QSize(static_cast<int>(info.output_width), static_cast<int>(info.output_height)),
                            size);
    std::vector<JSAMPLE> row(info.output_width);
    JSAMPROW rows[] = {row.data()};
    const bool decoded = RunGuarded(source.Errors(), [&] {
        while (info.output_scanline < info.output_height) {
            jpeg_read_scanlines(&info, rows, 1);
            reduction.AddRow(row.data());
        }
        jpeg_finish_decompress(&info);
    });
    if (!decoded || !reduction.Complete()) return std::nullopt;
    return reduction.Result();
}

std::optional<QImage> ReadReducedPng(const QString& fileName, const ImageReduction& rule) {
    QFile file(fileName);
    png_byte signature[8];
    if (!file.open(QIODevice::ReadOnly) ||
        file.read(reinterpret_cast<char*>(signature), sizeof signature) != sizeof signature ||
        png_sig_cmp(signature, 0, sizeof signature) != 0)
        return std::nullopt;
    try {
        PngSession session(PngSession::Direction::Read, file);
        png_structp png = session.Png();
        png_infop info = session.Info();
        session.Run([&] {
            png_set_sig_bytes(png, sizeof signature);
            png_read_info(png, info);
        });
        const png_uint_32 width = png_get_image_width(png, info);
        const png_uint_32 height = png_get_image_height(png, info);
        const QSize size = TargetOf(rule, width, height);
        if (png_get_color_type(png, info) != PNG_COLOR_TYPE_GRAY || png_get_bit_depth(png, info) != 8 ||
            png_get_interlace_type(png, info) != PNG_INTERLACE_NONE ||
            png_get_valid(png, info, PNG_INFO_tRNS | PNG_INFO_gAMA) != 0 || !Reducible(width, height, size))
            return std::nullopt;

        AreaReduction reduction(QSize(static_cast<int>(width), static_cast<int>(height)), size);
        std::vector<png_byte> row(width);
        session.Run([&] {
            for (png_uint_32 y = 0; y < height; ++y) {
                png_read_row(png, row.data(), nullptr);
                reduction.AddRow(row.data());
            }
            png_read_end(png, nullptr);
        });
        return reduction.Result();
    } catch (const std::exception&) {
        return std::nullopt;
    }
}
