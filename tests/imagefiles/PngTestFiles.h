// Test helpers for PNG files: splitting a file into its chunks, decoding pixels and writing inputs with
// libpng.
#pragma once

#include "Failure.h"
#include "VelPNGImage.h"

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

class TExtBitmap;

struct PngChunk {
    std::string type;
    QByteArray data;
};

// The chunks after the signature; an empty list when the signature or a chunk length is wrong.
std::vector<PngChunk> ParseChunks(const QByteArray& file);
std::vector<std::string> ChunkTypes(const std::vector<PngChunk>& chunks);
std::uint32_t BigEndian32(const QByteArray& data, int offset);
// Length, type, data and the CRC over type and data.
QByteArray ChunkBytes(const std::string& type, const QByteArray& data);

// SaveBitmapAsPng into a new file; a file that cannot be created fails with no system reason.
Status SavePngFile(const TExtBitmap& bitmap, const QString& path, const QString& author = "a",
                   const QString& description = "d", const QString& software = "s",
                   const QString& title = "t", const TProgressEvent& onProgress = nullptr);

// The pixels of a PNG file as 8-bit RGB, decoded by libpng alone.
std::vector<std::uint8_t> DecodeRgb(const QString& path);

// A PNG file written with libpng as the test describes it; rows hold the samples as PNG stores them
// (16-bit samples most significant byte first).
struct PngFileLayout {
    std::uint32_t width = 1;
    std::uint32_t height = 1;
    int bitDepth = 8;
    int colorType = 0;
    std::vector<std::vector<std::uint8_t>> rows;
    std::vector<std::pair<std::string, std::string>> texts;
    std::vector<std::uint8_t> paletteRgb;
    bool background = false;
    bool interlaced = false;
    // year, month, day, hour, minute, second; none when empty
    std::vector<int> time;
};
void WritePngFile(const QString& path, const PngFileLayout& layout);

// An 8-bit bitmap with the grey ramp whose pixel (x, y) is (x * 7 + y * 13) mod 256.
void MakeGreyPattern(TExtBitmap& bitmap, int width, int height);
