// PNG chunks written by hand around the filtered, deflated rows.
#include "PngWriter.h"

#include "GraphicErrors.h"
#include "PngDeflate.h"
#include "PngSession.h"
#include "VelPNGImage.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QIODevice>
#include <ctime>
#include <initializer_list>
#include <libdeflate.h>
#include <png.h>
#include <vector>

namespace {

constexpr char kSignature[] = "\x89PNG\r\n\x1a\n";
constexpr std::size_t kIdatBytes = 8192;

void PutBigEndian32(QByteArray& bytes, std::uint32_t value) {
    for (int shift = 24; shift >= 0; shift -= 8) bytes.append(static_cast<char>(value >> shift));
}

class ChunkWriter {
public:
    explicit ChunkWriter(QIODevice& sink) : sink_(sink) {}

    void Signature() { Transfer(QByteArrayView(kSignature, sizeof kSignature - 1)); }

    // Header, each piece of the data and the CRC in transfers of their own, as libpng writes a chunk.
    void Chunk(const char* type, std::initializer_list<QByteArrayView> pieces) {
        QByteArray header;
        std::size_t size = 0;
        for (QByteArrayView piece : pieces) size += static_cast<std::size_t>(piece.size());
        PutBigEndian32(header, static_cast<std::uint32_t>(size));
        header.append(type, 4);
        Transfer(header);
        std::uint32_t crc = libdeflate_crc32(0, type, 4);
        for (QByteArrayView piece : pieces) {
            if (!piece.isEmpty()) Transfer(piece);
            crc = libdeflate_crc32(crc, piece.data(), static_cast<std::size_t>(piece.size()));
        }
        QByteArray trailer;
        PutBigEndian32(trailer, crc);
        Transfer(trailer);
    }

private:
    void Transfer(QByteArrayView data) {
        PngSession::RequireTransferFits(PngSession::Direction::Write, static_cast<std::size_t>(data.size()));
        if (sink_.write(data.data(), data.size()) != data.size())
            throw EWriteError(sink_.errorString().toStdString());
    }

    QIODevice& sink_;
};

QByteArray HeaderChunk(const TPngImage& image, int colorType) {
    QByteArray ihdr;
    PutBigEndian32(ihdr, image.Width());
    PutBigEndian32(ihdr, image.Height());
    ihdr.append(static_cast<char>(8));
    ihdr.append(static_cast<char>(colorType));
    ihdr.append(3, '\0'); // deflate, adaptive filtering, no interlace
    return ihdr;
}

QByteArray PaletteChunk(const TPngImage& image) {
    QByteArray plte;
    for (QRgb colour : image.Palette())
        plte.append(static_cast<char>(qRed(colour)))
            .append(static_cast<char>(qGreen(colour)))
            .append(static_cast<char>(qBlue(colour)));
    return plte;
}

QByteArray TimeChunkNow() {
    const std::time_t now = std::time(nullptr);
    std::tm utc{};
    if (gmtime_r(&now, &utc) == nullptr) throw EWriteError("cannot convert the time of writing");
    QByteArray time;
    time.append(static_cast<char>((utc.tm_year + 1900) >> 8)).append(static_cast<char>(utc.tm_year + 1900));
    for (int part : {utc.tm_mon + 1, utc.tm_mday, utc.tm_hour, utc.tm_min, utc.tm_sec})
        time.append(static_cast<char>(part));
    return time;
}

// Writes a byte sequence given in parts as IDAT chunks of kIdatBytes (the last one shorter), reporting the
// row reached as the data goes out.
void WriteIdatChunks(const std::vector<std::vector<std::uint8_t>>& parts, ChunkWriter& out,
                     TPngImage& image) {
    std::size_t total = 0;
    for (const auto& part : parts) total += part.size();
    QByteArray chunk;
    std::size_t written = 0;
    for (const auto& part : parts)
        for (std::size_t taken = 0; taken < part.size();) {
            const std::size_t size =
                std::min(kIdatBytes - static_cast<std::size_t>(chunk.size()), part.size() - taken);
            chunk.append(reinterpret_cast<const char*>(part.data() + taken), static_cast<qsizetype>(size));
            taken += size;
            written += size;
            if (static_cast<std::size_t>(chunk.size()) < kIdatBytes && written < total) continue;
            out.Chunk("IDAT", {chunk});
            chunk.resize(0);
            image.ReportRow(static_cast<std::uint32_t>(std::uint64_t{image.Height()} * written / total));
        }
}

} // namespace

void WritePngDatastream(TPngImage& image, QIODevice& sink, int level) {
    image.RequireRows();
    const int colorType = image.WrittenColorType();
    if ((colorType & PNG_COLOR_MASK_ALPHA) != 0)
        throw EInvalidGraphicOperation("images with alpha are written by libpng");
    image.Progress(TProgressStage::psStarting, 0, false, QRect(), QStringLiteral("Starting PNG write"));
    ChunkWriter out(sink);
    out.Signature();
    out.Chunk("IHDR", {HeaderChunk(image, colorType)});
    if (colorType == PNG_COLOR_TYPE_PALETTE) out.Chunk("PLTE", {PaletteChunk(image)});
    for (const auto& [key, text] : image.TextsToWrite())
        out.Chunk("tEXt", {key, QByteArrayView("", 1), text});

    WriteIdatChunks(DeflateRowsOnAllCores({[&](std::uint32_t y) { return image.Row(y); }, image.Height(),
                                           image.RowBytes(), image.BytesPerPixel()},
                                          level),
                    out, image);
    out.Chunk("tIME", {TimeChunkNow()});
    out.Chunk("IEND", {});
    image.Progress(TProgressStage::psEnding, 100, false, QRect(), QStringLiteral("Ended PNG write"));
}
