// Bare library calls for the benchmark floor.
#include "BareLibraries.h"

#include <cstdio>
#include <jpeglib.h>
#include <memory>
#include <netcdf.h>
#include <opencv2/imgproc.hpp>
#include <png.h>
#include <stdexcept>

namespace {

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

// A file written anew replaces any old one by unlinking it first, as the program's own saves do by renaming:
// truncating a file in place makes some file systems flush it at closing.
FilePtr OpenFile(const QString& path, const char* mode) {
    if (mode[0] == 'w') std::remove(path.toLocal8Bit().constData());
    FilePtr file(std::fopen(path.toLocal8Bit().constData(), mode));
    if (!file) throw std::runtime_error("cannot open " + path.toStdString());
    return file;
}

} // namespace

std::vector<std::uint16_t> BareReadCounts(const QString& path) {
    int ncid = 0, varid = 0, ndims = 0;
    if (nc_open(path.toLocal8Bit().constData(), NC_NOWRITE, &ncid) != NC_NOERR)
        throw std::runtime_error("nc_open failed");
    nc_inq_varid(ncid, "Rad", &varid);
    int dims[NC_MAX_VAR_DIMS];
    nc_inq_varndims(ncid, varid, &ndims);
    nc_inq_vardimid(ncid, varid, dims);
    size_t count = 1;
    for (int i = 0; i < ndims; ++i) {
        size_t length = 0;
        nc_inq_dimlen(ncid, dims[i], &length);
        count *= length;
    }
    std::vector<std::uint16_t> counts(count);
    nc_get_var_short(ncid, varid, reinterpret_cast<short*>(counts.data()));
    nc_close(ncid);
    return counts;
}

void BarePngWrite(const QImage& grey, const QString& path) {
    FilePtr file = OpenFile(path, "wb");
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        throw std::runtime_error("libpng failed");
    }
    png_init_io(png, file.get());
    png_set_compression_level(png, 4);
    png_set_IHDR(png, info, static_cast<png_uint_32>(grey.width()), static_cast<png_uint_32>(grey.height()),
                 8, PNG_COLOR_TYPE_GRAY, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    png_set_filter(png, PNG_FILTER_TYPE_BASE, PNG_FILTER_NONE | PNG_FILTER_SUB | PNG_FILTER_PAETH);
    for (int y = 0; y < grey.height(); ++y) png_write_row(png, grey.constScanLine(y));
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
}

void BareJpegWrite(const QImage& grey, const QString& path, int quality) {
    FilePtr file = OpenFile(path, "wb");
    jpeg_compress_struct cinfo{};
    jpeg_error_mgr error{};
    cinfo.err = jpeg_std_error(&error);
    jpeg_create_compress(&cinfo);
    jpeg_stdio_dest(&cinfo, file.get());
    cinfo.image_width = static_cast<JDIMENSION>(grey.width());
    cinfo.image_height = static_cast<JDIMENSION>(grey.height());
    cinfo.input_components = 3;
    cinfo.in_color_space = JCS_YCbCr;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, quality, TRUE);
    jpeg_start_compress(&cinfo, TRUE);
    const char comment[] = "https://www.nimbrel.example";
    jpeg_write_marker(&cinfo, JPEG_COM, reinterpret_cast<const JOCTET*>(comment), sizeof(comment) - 1);
    // Neutral chroma once; each row only sets the luma samples.
    std::vector<JSAMPLE> row(static_cast<size_t>(grey.width()) * 3, 128);
    while (cinfo.next_scanline < cinfo.image_height) {
        const uchar* source = grey.constScanLine(static_cast<int>(cinfo.next_scanline));
        for (int x = 0; x < grey.width(); ++x) row[3 * x] = source[x];
        JSAMPROW rows[] = {row.data()};
        jpeg_write_scanlines(&cinfo, rows, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
}

QImage BareThumbnail(const QString& jpegPath, int side) {
    FilePtr file = OpenFile(jpegPath, "rb");
    jpeg_decompress_struct cinfo{};
    jpeg_error_mgr error{};
    cinfo.err = jpeg_std_error(&error);
    jpeg_create_decompress(&cinfo);
    jpeg_stdio_src(&cinfo, file.get());
    jpeg_read_header(&cinfo, TRUE);
    cinfo.out_color_space = JCS_GRAYSCALE;
    jpeg_start_decompress(&cinfo);
    QImage full(static_cast<int>(cinfo.output_width), static_cast<int>(cinfo.output_height),
                QImage::Format_Grayscale8);
    while (cinfo.output_scanline < cinfo.output_height) {
        JSAMPROW rows[] = {full.scanLine(static_cast<int>(cinfo.output_scanline))};
        jpeg_read_scanlines(&cinfo, rows, 1);
    }
    jpeg_finish_decompress(&cinfo);
    jpeg_destroy_decompress(&cinfo);
    QImage thumbnail(side, side, QImage::Format_Grayscale8);
    const cv::Mat source(full.height(), full.width(), CV_8UC1, full.bits(),
                         static_cast<size_t>(full.bytesPerLine()));
    cv::Mat target(side, side, CV_8UC1, thumbnail.bits(), static_cast<size_t>(thumbnail.bytesPerLine()));
    cv::resize(source, target, target.size(), 0, 0, cv::INTER_AREA);
    return thumbnail;
}
