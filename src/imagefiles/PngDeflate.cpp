// Pieces of rows filtered and deflated by workers, each piece but the last made to let the next one follow.
#include "PngDeflate.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <exception>
#include <libdeflate.h>
#include <memory>
#include <mutex>
#include <new>
#include <stdexcept>
#include <thread>
#include <zlib.h>

namespace {

// Large enough that a piece's fresh dictionary costs no measurable size, small enough that full-disk images
// keep both cores busy and few filtered rows are held at a time.
constexpr std::size_t kPieceBytes = std::size_t{16} << 20;

// A deflate stream ending in a final block can have nothing after it. Walks the stream's blocks with zlib
// (which reports each block boundary), clears the final bit of its last block and ends it with an empty
// stored block, so that it ends on a byte boundary and another stream may follow.
void LetAnotherStreamFollow(std::vector<std::uint8_t>& stream) {
    z_stream inflater{};
    if (inflateInit2(&inflater, -15) != Z_OK) throw std::bad_alloc();
    const std::unique_ptr<z_stream, int (*)(z_stream*)> ending(&inflater, inflateEnd);
    std::array<std::uint8_t, 1 << 16> discarded;
    inflater.next_in = stream.data();
    inflater.avail_in = static_cast<uInt>(stream.size());
    bool finalBlock = (stream[0] & 1) != 0;
    stream[0] &= 0xFE;
    for (;;) {
        inflater.next_out = discarded.data();
        inflater.avail_out = discarded.size();
        const int result = inflate(&inflater, Z_BLOCK);
        if (result != Z_OK && result != Z_BUF_ERROR)
            throw std::logic_error("libdeflate gave a broken stream");
        const bool atBlockEnd = (inflater.data_type & 128) != 0;
        if (atBlockEnd && finalBlock) break;
        if (!atBlockEnd && result == Z_OK) continue;
        // The next block's header starts right after the bits consumed.
        const int unusedBits = inflater.data_type & 7;
        if (!atBlockEnd || (unusedBits == 0 && inflater.avail_in == 0))
            throw std::logic_error("libdeflate gave a stream without a final block");
        std::uint8_t* header = unusedBits != 0 ? inflater.next_in - 1 : inflater.next_in;
        const std::uint8_t finalBit = unusedBits != 0 ? static_cast<std::uint8_t>(0x100 >> unusedBits) : 1;
        finalBlock = (*header & finalBit) != 0;
        *header &= static_cast<std::uint8_t>(~finalBit);
    }
    const int unusedBits = inflater.data_type & 7;
    stream.resize(static_cast<std::size_t>(inflater.next_in - stream.data()));
    stream.back() &= static_cast<std::uint8_t>((0x100 >> unusedBits) - 1);
    // An empty stored block: three header bits (not final, stored), padding to the byte, length 0 and its
    // complement. The header fits into the unused bits when there are three of them.
    if (unusedBits < 3) stream.push_back(0);
    stream.insert(stream.end(), {0x00, 0x00, 0xFF, 0xFF});
}

std::vector<std::uint8_t> ZlibHeader(int level) {
    const int speed = level < 2 ? 0 : level < 6 ? 1 : level == 6 ? 2 : 3;
    const int method = 0x78; // deflate with a 32 KiB window
    int flags = speed << 6;
    flags += 31 - (method << 8 | flags) % 31;
    return {static_cast<std::uint8_t>(method), static_cast<std::uint8_t>(flags)};
}

class PieceWorkers {
public:
    PieceWorkers(const PngRowSource& source, int level)
        : source_(source), level_(level), rowsPerPiece_(static_cast<std::uint32_t>(
                                              std::max<std::size_t>(1, kPieceBytes / (source.rowBytes + 1)))),
          pieces_((source.height + rowsPerPiece_ - 1) / rowsPerPiece_), checksums_(pieces_.size()) {}

    // The pieces, each deflated alone, and the Adler-32 checksum of the whole filtered data.
    std::vector<std::vector<std::uint8_t>> Run(std::uint32_t& adler) {
        const std::size_t workers =
            std::clamp<std::size_t>(std::thread::hardware_concurrency(), 1, pieces_.size());
        {
            std::vector<std::jthread> helpers;
            for (std::size_t i = 1; i < workers; ++i) helpers.emplace_back([this] { Work(); });
            Work();
        }
        if (failure_) std::rethrow_exception(failure_);
        adler = 1;
        for (std::size_t i = 0; i < pieces_.size(); ++i)
            adler = static_cast<std::uint32_t>(adler32_combine(adler, checksums_[i], PieceBytes(i)));
        return std::move(pieces_);
    }

private:
    std::uint32_t FirstRow(std::size_t piece) const {
        return static_cast<std::uint32_t>(
            std::min<std::uint64_t>(std::uint64_t{rowsPerPiece_} * piece, source_.height));
    }
    std::size_t PieceBytes(std::size_t piece) const {
        return std::size_t{FirstRow(piece + 1) - FirstRow(piece)} * (source_.rowBytes + 1);
    }

    void Work() noexcept {
        try {
            const std::unique_ptr<libdeflate_compressor, decltype(&libdeflate_free_compressor)> compressor(
                libdeflate_alloc_compressor(level_), libdeflate_free_compressor);
            if (!compressor) throw std::bad_alloc();
            const std::size_t largest = PieceBytes(0);
            const std::size_t bound = libdeflate_deflate_compress_bound(compressor.get(), largest);
            const auto filtered = std::make_unique_for_overwrite<std::uint8_t[]>(largest);
            const auto deflated = std::make_unique_for_overwrite<std::uint8_t[]>(bound);
            for (std::size_t piece = next_++; piece < pieces_.size() && !stop_; piece = next_++) {
                FilterRows(source_, FirstRow(piece), FirstRow(piece + 1), filtered.get());
                const std::size_t size = PieceBytes(piece);
                checksums_[piece] = libdeflate_adler32(1, filtered.get(), size);
                const std::size_t written = libdeflate_deflate_compress(compressor.get(), filtered.get(),
                                                                        size, deflated.get(), bound);
                if (written == 0) throw std::logic_error("deflated rows exceed libdeflate's bound");
                pieces_[piece].reserve(written + 5); // room for the empty stored block
                pieces_[piece].assign(deflated.get(), deflated.get() + written);
                if (piece + 1 < pieces_.size()) LetAnotherStreamFollow(pieces_[piece]);
            }
        } catch (...) {
            const std::lock_guard lock(failureMutex_);
            if (!failure_) failure_ = std::current_exception();
            stop_ = true;
        }
    }

    const PngRowSource& source_;
    const int level_;
    const std::uint32_t rowsPerPiece_;
    std::vector<std::vector<std::uint8_t>> pieces_;
    std::vector<std::uint32_t> checksums_;
    std::atomic<std::size_t> next_{0};
    std::atomic<bool> stop_{false};
    std::mutex failureMutex_;
    std::exception_ptr failure_;
};

} // namespace

std::vector<std::vector<std::uint8_t>> DeflateRowsOnAllCores(const PngRowSource& source, int level) {
    std::uint32_t adler = 1;
    std::vector<std::vector<std::uint8_t>> parts = PieceWorkers(source, level).Run(adler);
    parts.insert(parts.begin(), ZlibHeader(level));
    parts.push_back({static_cast<std::uint8_t>(adler >> 24), static_cast<std::uint8_t>(adler >> 16),
                     static_cast<std::uint8_t>(adler >> 8), static_cast<std::uint8_t>(adler)});
    return parts;
}
