#include "DeflatedChunks.h"

#include "Hdf5Dataset.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <bit>
#include <cstring>
#include <libdeflate.h>
#include <memory>
#include <mutex>
#include <optional>
#include <system_error>
#include <thread>
#include <vector>

namespace {

// A chunk larger than this is left to the library rather than given a buffer per thread.
constexpr std::size_t kLargestChunkBytes = 64u << 20;

struct ChunkGrid {
    std::size_t rows = 0;
    std::size_t columns = 0;
    std::size_t chunkRows = 0;
    std::size_t chunkColumns = 0;
    bool shuffled = false;

    std::size_t ChunksDown() const { return (rows + chunkRows - 1) / chunkRows; }
    std::size_t ChunksAcross() const { return (columns + chunkColumns - 1) / chunkColumns; }
    std::size_t ChunkCount() const { return ChunksDown() * ChunksAcross(); }
    std::size_t ChunkValues() const { return chunkRows * chunkColumns; }
    // Deflate stores incompressible data with a few bytes of framing per block; anything beyond that is not
    // a deflated chunk of this size.
    std::size_t LargestStoredBytes() const { return ChunkValues() * 2 + ChunkValues() / 64 + 1024; }
};

bool IsLittleEndianShort(hid_t dataset) {
    const Hdf5Id<H5Tclose> type(H5Dget_type(dataset));
    return type.valid() && H5Tget_class(type.get()) == H5T_INTEGER && H5Tget_size(type.get()) == 2 &&
           H5Tget_sign(type.get()) == H5T_SGN_2 && H5Tget_order(type.get()) == H5T_ORDER_LE;
}

// Whether the chunks are deflated, after byte shuffling or not, and filtered no other way.
std::optional<bool> ShuffledBeforeDeflate(hid_t creation) {
    std::array<H5Z_filter_t, 2> filters{};
    const int count = H5Pget_nfilters(creation);
    if (count < 1 || count > 2) return std::nullopt;
    for (int i = 0; i < count; ++i) {
        unsigned flags = 0;
        std::size_t valueCount = 0;
        unsigned filterConfig = 0;
        filters[static_cast<std::size_t>(i)] = H5Pget_filter2(
            creation, static_cast<unsigned>(i), &flags, &valueCount, nullptr, 0, nullptr, &filterConfig);
    }
    if (count == 1 && filters[0] == H5Z_FILTER_DEFLATE) return false;
    if (count == 2 && filters[0] == H5Z_FILTER_SHUFFLE && filters[1] == H5Z_FILTER_DEFLATE) return true;
    return std::nullopt;
}

std::optional<ChunkGrid> GridOf(hid_t dataset, std::size_t valueCount) {
    const Hdf5Id<H5Pclose> creation(H5Dget_create_plist(dataset));
    const Hdf5Id<H5Sclose> space(H5Dget_space(dataset));
    if (!creation.valid() || !space.valid() || H5Pget_layout(creation.get()) != H5D_CHUNKED ||
        H5Sget_simple_extent_ndims(space.get()) != 2 || !IsLittleEndianShort(dataset))
        return std::nullopt;
    std::array<hsize_t, 2> extent{};
    std::array<hsize_t, 2> chunk{};
    if (H5Sget_simple_extent_dims(space.get(), extent.data(), nullptr) != 2 ||
        H5Pget_chunk(creation.get(), 2, chunk.data()) != 2)
        return std::nullopt;
    const auto shuffled = ShuffledBeforeDeflate(creation.get());
    if (!shuffled || chunk[0] == 0 || chunk[1] == 0 || chunk[0] > extent[0] || chunk[1] > extent[1] ||
        extent[0] == 0 || valueCount / extent[0] != extent[1] || valueCount % extent[0] != 0 ||
        chunk[0] * chunk[1] * 2 > kLargestChunkBytes)
        return std::nullopt;
    const ChunkGrid grid{extent[0], extent[1], chunk[0], chunk[1], *shuffled};
    hsize_t stored = 0;
    if (H5Dget_num_chunks(dataset, space.get(), &stored) < 0 || stored != grid.ChunkCount())
        return std::nullopt;
    return grid;
}

// Threads take the chunks in turn. HDF5 is not built to be called from several threads, so its calls are
// made under one lock; inflating, the bulk of the work, is not.
class ChunkInflaters {
public:
    ChunkInflaters(hid_t dataset, const ChunkGrid& grid, std::span<std::uint16_t> values)
        : dataset_(dataset), grid_(grid), values_(values) {}

    ChunkRead Run() {
        const std::size_t threads =
            std::clamp<std::size_t>(std::thread::hardware_concurrency(), 1, grid_.ChunkCount());
        {
            std::vector<std::jthread> helpers;
            try {
                for (std::size_t i = 1; i < threads; ++i) helpers.emplace_back([this] { Work(); });
            } catch (const std::system_error&) {
                // A process short of memory or threads reads with those it has.
            }
            Work();
        }
        if (outOfMemory_) return ChunkRead::OutOfMemory;
        return failed_ ? ChunkRead::LeftToLibrary : ChunkRead::Done;
    }

private:
    void Work() noexcept {
        try {
            const std::unique_ptr<libdeflate_decompressor, decltype(&libdeflate_free_decompressor)> inflater(
                libdeflate_alloc_decompressor(), libdeflate_free_decompressor);
            if (!inflater) throw std::bad_alloc();
            std::vector<std::uint8_t> stored;
            std::vector<std::uint8_t> inflated(grid_.ChunkValues() * 2);
            for (std::size_t chunk = next_++; chunk < grid_.ChunkCount() && !failed_; chunk = next_++) {
                const std::array<hsize_t, 2> origin{chunk / grid_.ChunksAcross() * grid_.chunkRows,
                                                    chunk % grid_.ChunksAcross() * grid_.chunkColumns};
                if (!ReadStored(origin, stored) ||
                    libdeflate_zlib_decompress(inflater.get(), stored.data(), stored.size(), inflated.data(),
                                               inflated.size(), nullptr) != LIBDEFLATE_SUCCESS) {
                    failed_ = true;
                    return;
                }
                Place(inflated, origin);
            }
        } catch (const std::bad_alloc&) {
            outOfMemory_ = true;
            failed_ = true;
        }
    }

    bool ReadStored(const std::array<hsize_t, 2>& origin, std::vector<std::uint8_t>& stored) {
        const std::lock_guard lock(hdf5_);
        hsize_t size = 0;
        std::uint32_t skippedFilters = 0;
        if (H5Dget_chunk_storage_size(dataset_, origin.data(), &size) < 0 || size == 0 ||
            size > grid_.LargestStoredBytes())
            return false;
        stored.resize(size);
        return H5Dread_chunk(dataset_, H5P_DEFAULT, origin.data(), &skippedFilters, stored.data()) >= 0 &&
               skippedFilters == 0;
    }

    // Copies the part of the chunk inside the variable to its place. A shuffled chunk holds the low bytes
    // of all its values, then the high bytes.
    void Place(const std::vector<std::uint8_t>& inflated, const std::array<hsize_t, 2>& origin) const {
        const std::size_t rows = std::min<std::size_t>(grid_.chunkRows, grid_.rows - origin[0]);
        const std::size_t columns = std::min<std::size_t>(grid_.chunkColumns, grid_.columns - origin[1]);
        const std::uint8_t* low = inflated.data();
        const std::uint8_t* high = low + grid_.ChunkValues();
        for (std::size_t row = 0; row < rows; ++row) {
            std::uint16_t* out = values_.data() + (origin[0] + row) * grid_.columns + origin[1];
            const std::size_t first = row * grid_.chunkColumns;
            if (grid_.shuffled) {
                for (std::size_t column = 0; column < columns; ++column)
                    out[column] = static_cast<std::uint16_t>(low[first + column] | high[first + column] << 8);
            } else {
                std::memcpy(out, low + first * 2, columns * 2);
            }
        }
    }

    const hid_t dataset_;
    const ChunkGrid grid_;
    const std::span<std::uint16_t> values_;
    std::mutex hdf5_;
    std::atomic<std::size_t> next_ = 0;
    std::atomic<bool> failed_ = false;
    std::atomic<bool> outOfMemory_ = false;
};

} // namespace

ChunkRead ReadDeflatedShortChunks(const QByteArray& filePath, const QByteArray& variableName,
                                  std::span<std::uint16_t> values) {
    static_assert(std::endian::native == std::endian::little, "chunks are placed as stored, little-endian");
    const auto opened = OpenHdf5Dataset(filePath, variableName);
    if (!opened) return ChunkRead::LeftToLibrary;
    const auto grid = GridOf(opened->dataset.get(), values.size());
    if (!grid) return ChunkRead::LeftToLibrary;
    return ChunkInflaters(opened->dataset.get(), *grid, values).Run();
}
