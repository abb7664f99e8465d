// Stored chunks through HDF5's direct chunk calls, and zlib's own compress and uncompress.
#include "StoredChunks.h"

#include <QFile>
#include <hdf5.h>
#include <zlib.h>

namespace {

// The file and the dataset, open for reading or writing, closed in turn.
class OpenDataset {
public:
    OpenDataset(const QString& path, const char* dataset, unsigned access)
        : file_(H5Fopen(QFile::encodeName(path).constData(), access, H5P_DEFAULT)),
          dataset_(file_ < 0 ? -1 : H5Dopen2(file_, dataset, H5P_DEFAULT)) {}
    ~OpenDataset() {
        if (dataset_ >= 0) H5Dclose(dataset_);
        if (file_ >= 0) H5Fclose(file_);
    }
    OpenDataset(const OpenDataset&) = delete;
    OpenDataset& operator=(const OpenDataset&) = delete;

    hid_t Get() const { return dataset_; }

private:
    hid_t file_;
    hid_t dataset_;
};

} // namespace

StoredChunk ReadStoredChunk(const QString& path, const char* dataset, std::uint64_t row,
                            std::uint64_t column) {
    const OpenDataset open(path, dataset, H5F_ACC_RDONLY);
    const hsize_t origin[2] = {row, column};
    hsize_t size = 0;
    StoredChunk chunk;
    if (open.Get() < 0 || H5Dget_chunk_storage_size(open.Get(), origin, &size) < 0) return {};
    chunk.bytes.resize(size);
    if (H5Dread_chunk(open.Get(), H5P_DEFAULT, origin, &chunk.skippedFilters, chunk.bytes.data()) < 0)
        return {};
    return chunk;
}

bool ReplaceStoredChunk(const QString& path, const char* dataset, std::uint64_t row, std::uint64_t column,
                        const StoredChunk& chunk) {
    const OpenDataset open(path, dataset, H5F_ACC_RDWR);
    const hsize_t origin[2] = {row, column};
    return open.Get() >= 0 && H5Dwrite_chunk(open.Get(), H5P_DEFAULT, chunk.skippedFilters, origin,
                                             chunk.bytes.size(), chunk.bytes.data()) >= 0;
}

Bytes ZlibDeflated(const Bytes& bytes) {
    uLongf size = compressBound(bytes.size());
    Bytes stream(size);
    if (compress2(stream.data(), &size, bytes.data(), bytes.size(), 6) != Z_OK) return {};
    stream.resize(size);
    return stream;
}

Bytes ZlibInflated(const Bytes& stream, std::size_t size) {
    Bytes bytes(size + 1);
    uLongf inflated = bytes.size();
    if (uncompress(bytes.data(), &inflated, stream.data(), stream.size()) != Z_OK || inflated != size)
        return {};
    bytes.resize(size);
    return bytes;
}

Bytes ZlibZeros(std::uint64_t bytes) {
    constexpr std::uint64_t kPiece = 1u << 20;
    const Bytes zeros(kPiece, 0);
    // One mebibyte as raw deflate blocks that end on a byte, so that copies of them follow each other.
    z_stream stream{};
    if (deflateInit2(&stream, 9, Z_DEFLATED, -15, 9, Z_DEFAULT_STRATEGY) != Z_OK) return {};
    Bytes piece(compressBound(kPiece) + 64);
    stream.next_in = const_cast<Bytef*>(zeros.data());
    stream.avail_in = kPiece;
    stream.next_out = piece.data();
    stream.avail_out = static_cast<uInt>(piece.size());
    const int flushed = deflate(&stream, Z_FULL_FLUSH);
    piece.resize(piece.size() - stream.avail_out);
    deflateEnd(&stream);
    if (flushed != Z_OK || stream.avail_in != 0) return {};

    const std::uint64_t pieces = bytes / kPiece;
    Bytes out = {0x78, 0x9c};
    uLong adler = adler32(0, nullptr, 0);
    const uLong pieceAdler = adler32(adler32(0, nullptr, 0), zeros.data(), kPiece);
    for (std::uint64_t i = 0; i < pieces; ++i) {
        out.insert(out.end(), piece.begin(), piece.end());
        adler = adler32_combine(adler, pieceAdler, kPiece);
    }
    // The last block, empty, then the checksum, high byte first.
    out.insert(out.end(), {0x03, 0x00});
    for (const int shift : {24, 16, 8, 0}) out.push_back(static_cast<std::uint8_t>(adler >> shift));
    return out;
}
