// PNG chunk parsing, libpng decoding and libpng-written test inputs.
#include "PngTestFiles.h"

#include "BMPExtImage.h"
#include "PNG_IO.h"
#include "TestFiles.h"

#include <QFile>
#include <cstdio>
#include <gtest/gtest.h>
#include <png.h>
#include <zlib.h>

namespace {

const QByteArray kSignature("\x89PNG\r\n\x1a\n", 8);

// Everything that needs an object with a destructor is prepared by the caller; libpng errors land here.
bool WriteGuarded(FILE* file, const PngFileLayout& layout, png_textp texts, int textCount, png_bytepp rows) {
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        return false;
    }
    png_init_io(png, file);
    png_set_IHDR(png, info, layout.width, layout.height, layout.bitDepth, layout.colorType,
                 layout.interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_BASE,
                 PNG_FILTER_TYPE_BASE);
    if (!layout.paletteRgb.empty())
        png_set_PLTE(png, info, reinterpret_cast<png_const_colorp>(layout.paletteRgb.data()),
                     static_cast<int>(layout.paletteRgb.size() / 3));
    if (textCount > 0) png_set_text(png, info, texts, textCount);
    if (layout.background) {
        png_color_16 background{};
        png_set_bKGD(png, info, &background);
    }
    if (layout.time.size() == 6) {
        png_time time{static_cast<png_uint_16>(layout.time[0]), static_cast<png_byte>(layout.time[1]),
                      static_cast<png_byte>(layout.time[2]),    static_cast<png_byte>(layout.time[3]),
                      static_cast<png_byte>(layout.time[4]),    static_cast<png_byte>(layout.time[5])};
        png_set_tIME(png, info, &time);
    }
    png_write_info(png, info);
    png_write_image(png, rows);
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
    return true;
}

} // namespace

std::uint32_t BigEndian32(const QByteArray& data, int offset) {
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(data.constData()) + offset;
    return std::uint32_t{bytes[0]} << 24 | std::uint32_t{bytes[1]} << 16 | std::uint32_t{bytes[2]} << 8 |
           bytes[3];
}

std::vector<PngChunk> ParseChunks(const QByteArray& file) {
    if (!file.startsWith(kSignature)) return {};
    std::vector<PngChunk> chunks;
    qsizetype at = kSignature.size();
    while (at + 12 <= file.size()) {
        const std::uint32_t length = BigEndian32(file, static_cast<int>(at));
        if (at + 12 + qsizetype(length) > file.size()) return {};
        chunks.push_back({file.mid(at + 4, 4).toStdString(), file.mid(at + 8, length)});
        at += 12 + length;
    }
    return at == file.size() ? chunks : std::vector<PngChunk>();
}

std::vector<std::string> ChunkTypes(const std::vector<PngChunk>& chunks) {
    std::vector<std::string> types;
    for (const PngChunk& chunk : chunks) types.push_back(chunk.type);
    return types;
}

QByteArray ChunkBytes(const std::string& type, const QByteArray& data) {
    QByteArray bytes;
    const auto length = static_cast<std::uint32_t>(data.size());
    for (int shift = 24; shift >= 0; shift -= 8) bytes.append(static_cast<char>(length >> shift));
    const QByteArray body = QByteArray::fromStdString(type) + data;
    bytes.append(body);
    const auto crc = static_cast<std::uint32_t>(
        crc32(0, reinterpret_cast<const Bytef*>(body.constData()), static_cast<uInt>(body.size())));
    for (int shift = 24; shift >= 0; shift -= 8) bytes.append(static_cast<char>(crc >> shift));
    return bytes;
}

Status SavePngFile(const TExtBitmap& bitmap, const QString& path, const QString& author,
                   const QString& description, const QString& software, const QString& title,
                   const TProgressEvent& onProgress) {
    Status saved;
    const bool written = WriteFileWith(path, [&](QIODevice& file) {
        saved = SaveBitmapAsPng(bitmap, file, author, description, software, title, onProgress);
        return saved.ok();
    });
    if (saved && !written) return Failure{FailureCode::CannotWrite, "cannot create " + path};
    return saved;
}

std::vector<std::uint8_t> DecodeRgb(const QString& path) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    const QByteArray name = QFile::encodeName(path);
    if (png_image_begin_read_from_file(&image, name.constData()) == 0) return {};
    image.format = PNG_FORMAT_RGB;
    std::vector<std::uint8_t> pixels(PNG_IMAGE_SIZE(image));
    if (png_image_finish_read(&image, nullptr, pixels.data(), 0, nullptr) == 0) return {};
    return pixels;
}

void WritePngFile(const QString& path, const PngFileLayout& layout) {
    std::vector<png_text> texts;
    for (const auto& [key, text] : layout.texts) {
        png_text entry{};
        entry.compression = PNG_TEXT_COMPRESSION_NONE;
        entry.key = const_cast<char*>(key.c_str());
        entry.text = const_cast<char*>(text.c_str());
        entry.text_length = text.size();
        texts.push_back(entry);
    }
    std::vector<png_bytep> rows;
    for (const auto& row : layout.rows) rows.push_back(const_cast<png_bytep>(row.data()));
    ASSERT_EQ(rows.size(), layout.height);
    FILE* file = std::fopen(QFile::encodeName(path).constData(), "wb");
    ASSERT_NE(file, nullptr);
    const bool written =
        WriteGuarded(file, layout, texts.data(), static_cast<int>(texts.size()), rows.data());
    std::fclose(file);
    ASSERT_TRUE(written) << "libpng refused the test image";
}

void MakeGreyPattern(TExtBitmap& bitmap, int width, int height) {
    bitmap.SetPixelFormat(TPixelFormat::pf8bit);
    bitmap.SetPalette(TExtBitmap::GreyRamp());
    bitmap.SetSize(width, height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            bitmap.ScanLine(y)[x] = static_cast<std::uint8_t>((x * 7 + y * 13) % 256);
}
