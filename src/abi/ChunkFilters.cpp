// The reverse of HDF5's filter pipeline for one chunk, each step held to the exact size it was written at.
#include "ChunkFilters.h"

#include <algorithm>
#include <new>

namespace {

constexpr std::size_t kChecksumBytes = 4;

Failure Damaged(const QString& detail) {
    return {FailureCode::DamagedNetCdf, detail};
}

bool Skipped(std::uint32_t skippedFilters, std::size_t index) {
    return index < 32 && (skippedFilters >> index & 1u) != 0;
}

// HDF5 shuffles a chunk of n two-byte values into the n first bytes, then the n second bytes; an odd last
// byte stays where it is.
void Unshuffle(std::span<const std::uint8_t> shuffled, std::uint8_t* out) {
    const std::size_t values = shuffled.size() / 2;
    for (std::size_t i = 0; i < values; ++i) {
        out[2 * i] = shuffled[i];
        out[2 * i + 1] = shuffled[values + i];
    }
    if (shuffled.size() % 2 != 0) out[shuffled.size() - 1] = shuffled.back();
}

std::uint32_t StoredChecksum(std::span<const std::uint8_t> checksum) {
    return checksum[0] | checksum[1] << 8 | checksum[2] << 16 | static_cast<std::uint32_t>(checksum[3]) << 24;
}

} // namespace

std::optional<ChunkFilters> ChunkFilters::Of(std::vector<ChunkFilter> order, std::size_t chunkBytes) {
    for (const ChunkFilter filter : {ChunkFilter::Shuffle, ChunkFilter::Deflate, ChunkFilter::Fletcher32})
        if (std::count(order.begin(), order.end(), filter) > 1) return std::nullopt;
    return ChunkFilters(std::move(order), chunkBytes);
}

std::size_t ChunkFilters::LargestStoredBytes() const {
    const std::size_t checksums =
        static_cast<std::size_t>(std::count(order_.begin(), order_.end(), ChunkFilter::Fletcher32));
    const std::size_t bytes = chunkBytes_ + checksums * kChecksumBytes;
    return bytes + bytes / 64 + 1024;
}

ChunkUnfilter::ChunkUnfilter(const ChunkFilters& filters)
    : filters_(filters), inflater_(libdeflate_alloc_decompressor(), libdeflate_free_decompressor) {
    if (!inflater_) throw std::bad_alloc();
    inflated_.reserve(filters.chunkBytes_ + kChecksumBytes);
}

Result<UnfilteredChunk> ChunkUnfilter::Undo(std::span<const std::uint8_t> stored,
                                            std::uint32_t skippedFilters) {
    const std::vector<ChunkFilter>& order = filters_.order_;
    std::span<const std::uint8_t> bytes = stored;
    bool shuffled = false;
    for (std::size_t i = order.size(); i-- > 0;) {
        if (Skipped(skippedFilters, i)) continue;
        switch (order[i]) {
        case ChunkFilter::Deflate: {
            // The deflate filter was given the chunk and the checksum of any checksum filter run before it.
            std::size_t given = filters_.chunkBytes_;
            for (std::size_t before = 0; before < i; ++before)
                if (order[before] == ChunkFilter::Fletcher32 && !Skipped(skippedFilters, before))
                    given += kChecksumBytes;
            auto inflated = Inflate(bytes, given);
            if (!inflated) return inflated.failure();
            bytes = *inflated;
            break;
        }
        case ChunkFilter::Fletcher32: {
            if (bytes.size() < kChecksumBytes)
                return Damaged(QStringLiteral("is too short for its checksum"));
            const auto data = bytes.first(bytes.size() - kChecksumBytes);
            if (Fletcher32(data) != StoredChecksum(bytes.last(kChecksumBytes)))
                return Damaged(QStringLiteral("fails its checksum"));
            bytes = data;
            break;
        }
        case ChunkFilter::Shuffle:
            if (i == 0) {
                shuffled = true;
            } else {
                unshuffled_.resize(bytes.size());
                Unshuffle(bytes, unshuffled_.data());
                bytes = unshuffled_;
            }
            break;
        }
    }
    if (bytes.size() != filters_.chunkBytes_)
        return Damaged(QStringLiteral("holds %1 bytes, not %2").arg(bytes.size()).arg(filters_.chunkBytes_));
    return UnfilteredChunk{bytes, shuffled};
}

Result<std::span<const std::uint8_t>> ChunkUnfilter::Inflate(std::span<const std::uint8_t> stream,
                                                             std::size_t size) {
    inflated_.resize(size);
    std::size_t streamBytes = 0;
    std::size_t inflatedBytes = 0;
    switch (libdeflate_zlib_decompress_ex(inflater_.get(), stream.data(), stream.size(), inflated_.data(),
                                          size, &streamBytes, &inflatedBytes)) {
    case LIBDEFLATE_SUCCESS:
        break;
    case LIBDEFLATE_INSUFFICIENT_SPACE:
        return Damaged(QStringLiteral("inflates to more than %1 bytes").arg(size));
    default:
        return Damaged(QStringLiteral("holds compressed data that cannot be inflated"));
    }
    if (inflatedBytes != size)
        return Damaged(QStringLiteral("inflates to %1 bytes, not %2").arg(inflatedBytes).arg(size));
    if (streamBytes != stream.size())
        return Damaged(
            QStringLiteral("has %1 bytes after its compressed data").arg(stream.size() - streamBytes));
    return std::span<const std::uint8_t>(inflated_);
}

std::uint32_t Fletcher32(std::span<const std::uint8_t> bytes) {
    std::uint32_t sum1 = 0;
    std::uint32_t sum2 = 0;
    const auto fold = [](std::uint32_t& sum) { sum = (sum & 0xffff) + (sum >> 16); };
    const std::uint8_t* data = bytes.data();
    // 360 words at most between folds keep both sums within 32 bits.
    for (std::size_t words = bytes.size() / 2; words > 0;) {
        const std::size_t run = std::min<std::size_t>(words, 360);
        words -= run;
        for (std::size_t i = 0; i < run; ++i, data += 2) {
            sum1 += static_cast<std::uint32_t>(data[0] << 8 | data[1]);
            sum2 += sum1;
        }
        fold(sum1);
        fold(sum2);
    }
    if (bytes.size() % 2 != 0) {
        sum1 += static_cast<std::uint32_t>(data[0] << 8);
        sum2 += sum1;
        fold(sum1);
        fold(sum2);
    }
    fold(sum1);
    fold(sum2);
    return sum2 << 16 | sum1;
}
