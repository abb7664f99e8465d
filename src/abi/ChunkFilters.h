// Undoing the filters HDF5 ran over one chunk of 16-bit values before storing it: zlib deflate, byte
// shuffling and Fletcher-32 checksums, in the order the dataset names them. Each step must give back exactly
// the bytes it was given on writing; a chunk that inflates short or long, that carries anything after its
// compressed stream or that fails its checksum is damaged, never passed on.
#pragma once

#include "Failure.h"

#include <cstddef>
#include <cstdint>
#include <libdeflate.h>
#include <memory>
#include <optional>
#include <span>
#include <vector>

enum class ChunkFilter { Shuffle, Deflate, Fletcher32 };

class ChunkFilters {
public:
    // The filters in the order they ran on writing, over chunks of `chunkBytes`; none when a filter repeats.
    static std::optional<ChunkFilters> Of(std::vector<ChunkFilter> order, std::size_t chunkBytes);

    std::size_t ChunkBytes() const { return chunkBytes_; }
    // The most bytes any valid stored form of a chunk takes: deflate stores incompressible data with a few
    // bytes of framing per block, and each checksum adds 4.
    std::size_t LargestStoredBytes() const;

private:
    friend class ChunkUnfilter;
    ChunkFilters(std::vector<ChunkFilter> order, std::size_t chunkBytes)
        : order_(std::move(order)), chunkBytes_(chunkBytes) {}

    std::vector<ChunkFilter> order_;
    std::size_t chunkBytes_;
};

// A chunk with its filters undone, but for a shuffle that ran first on writing: that one is undone by whoever
// places the values, on the way.
struct UnfilteredChunk {
    std::span<const std::uint8_t> bytes; // ChunkBytes() of them
    bool shuffled = false;               // the low bytes of all values, then their high bytes
};

// One thread's inflater and buffers.
class ChunkUnfilter {
public:
    // Throws std::bad_alloc when memory runs out.
    explicit ChunkUnfilter(const ChunkFilters& filters);

    // Undoes every filter that the chunk's mask does not skip (bit i skips the i-th filter). The bytes stay
    // valid until the next call. Fails as DamagedNetCdf with what is wrong, worded to follow the chunk's
    // name ("inflates to 512 bytes, not 1024").
    Result<UnfilteredChunk> Undo(std::span<const std::uint8_t> stored, std::uint32_t skippedFilters);

private:
    Result<std::span<const std::uint8_t>> Inflate(std::span<const std::uint8_t> stream, std::size_t size);

    const ChunkFilters& filters_;
    std::unique_ptr<libdeflate_decompressor, decltype(&libdeflate_free_decompressor)> inflater_;
    std::vector<std::uint8_t> inflated_;
    std::vector<std::uint8_t> unshuffled_;
};

// HDF5's Fletcher-32 of the bytes: 16-bit words read high byte first, an odd last byte as a high byte.
std::uint32_t Fletcher32(std::span<const std::uint8_t> bytes);
