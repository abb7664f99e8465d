// Which datasets the chunk-parallel read takes, its threads, and placing each chunk's values.
#include "DeflatedChunks.h"

#include "ChunkFilters.h"
#include "Hdf5Dataset.h"
#include "Hdf5Errors.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <bit>
#include <cstring>
#include <mutex>
#include <optional>
#include <system_error>
#include <thread>
#include <vector>

namespace {

// What the threads' chunk buffers may take together; a file of larger chunks is read by fewer threads.
constexpr std::size_t kChunkBufferBudget = 256u << 20;

struct ChunkGrid {
    std::size_t rows = 0;
    std::size_t columns = 0;
    std::size_t chunkRows = 0;
    std::size_t chunkColumns = 0;
    bool bigEndian = false;

    std::size_t ChunksDown() const { return (rows + chunkRows - 1) / chunkRows; }
    std::size_t ChunksAcross() const { return (columns + chunkColumns - 1) / chunkColumns; }
    std::size_t ChunkCount() const { return ChunksDown() * ChunksAcross(); }
    std::size_t ChunkValues() const { return chunkRows * chunkColumns; }
};

struct ChunkLayout {
    ChunkGrid grid;
    ChunkFilters filters;
};

// Signed 16-bit integers of either byte order.
std::optional<bool> BigEndianShort(hid_t dataset) {
    const Hdf5Id<H5Tclose> type(H5Dget_type(dataset));
    if (!type.valid() || H5Tget_class(type.get()) != H5T_INTEGER || H5Tget_size(type.get()) != 2 ||
        H5Tget_sign(type.get()) != H5T_SGN_2)
        return std::nullopt;
    switch (H5Tget_order(type.get())) {
    case H5T_ORDER_LE:
        return false;
    case H5T_ORDER_BE:
        return true;
    default:
        return std::nullopt;
    }
}

// The filters in the order they run on writing, when each is one that is undone here: deflate, checksums,
// and shuffling of two-byte values.
std::optional<std::vector<ChunkFilter>> FilterOrder(hid_t creation) {
    const int count = H5Pget_nfilters(creation);
    if (count < 0) return std::nullopt;
    std::vector<ChunkFilter> order;
    for (int i = 0; i < count; ++i) {
        unsigned flags = 0;
        std::array<unsigned, 8> values{};
        std::size_t valueCount = values.size();
        unsigned filterConfig = 0;
        switch (H5Pget_filter2(creation, static_cast<unsigned>(i), &flags, &valueCount, values.data(), 0,
                               nullptr, &filterConfig)) {
        case H5Z_FILTER_DEFLATE:
            order.push_back(ChunkFilter::Deflate);
            break;
        case H5Z_FILTER_FLETCHER32:
            order.push_back(ChunkFilter::Fletcher32);
            break;
        case H5Z_FILTER_SHUFFLE:
            if (valueCount != 1 || values[0] != 2) return std::nullopt;
            order.push_back(ChunkFilter::Shuffle);
            break;
        default:
            return std::nullopt;
        }
    }
    return order;
}

std::optional<ChunkLayout> LayoutOf(hid_t dataset, std::size_t valueCount) {
    const Hdf5Id<H5Pclose> creation(H5Dget_create_plist(dataset));
    const Hdf5Id<H5Sclose> space(H5Dget_space(dataset));
    if (!creation.valid() || !space.valid() || H5Pget_layout(creation.get()) != H5D_CHUNKED ||
        H5Sget_simple_extent_ndims(space.get()) != 2)
        return std::nullopt;
    // Edge chunks stored unfiltered carry no sign of it in their own filter mask: the library reads those.
    unsigned chunkOptions = 0;
    if (H5Pget_chunk_opts(creation.get(), &chunkOptions) < 0 ||
        (chunkOptions & H5D_CHUNK_DONT_FILTER_PARTIAL_CHUNKS) != 0)
        return std::nullopt;
    const auto bigEndian = BigEndianShort(dataset);
    const auto order = FilterOrder(creation.get());
    std::array<hsize_t, 2> extent{};
    std::array<hsize_t, 2> chunk{};
    if (!bigEndian || !order || H5Sget_simple_extent_dims(space.get(), extent.data(), nullptr) != 2 ||
        H5Pget_chunk(creation.get(), 2, chunk.data()) != 2)
        return std::nullopt;
    if (chunk[0] == 0 || chunk[1] == 0 || chunk[0] > extent[0] || chunk[1] > extent[1] || extent[0] == 0 ||
        valueCount / extent[0] != extent[1] || valueCount % extent[0] != 0)
        return std::nullopt;
    const ChunkGrid grid{extent[0], extent[1], chunk[0], chunk[1], *bigEndian};
    hsize_t stored = 0;
    if (H5Dget_num_chunks(dataset, space.get(), &stored) < 0 || stored != grid.ChunkCount())
        return std::nullopt;
    auto filters = ChunkFilters::Of(*order, grid.ChunkValues() * 2);
    if (!filters) return std::nullopt;
    return ChunkLayout{grid, std::move(*filters)};
}

// Threads take the chunks in turn. HDF5 is not built to be called from several threads, so its calls are
// made under one lock; undoing the filters, the bulk of the work, is not. The first chunk found damaged
// stops them all.
class ChunkInflaters {
public:
    ChunkInflaters(hid_t dataset, const QByteArray& variableName, const ChunkLayout& layout,
                   std::span<std::uint16_t> values)
        : dataset_(dataset), variableName_(QString::fromUtf8(variableName)), grid_(layout.grid),
          filters_(layout.filters), values_(values) {}

    Result<ChunkRead> Run() {
        const std::size_t perThread = filters_.LargestStoredBytes() + 2 * (filters_.ChunkBytes() + 4);
        const std::size_t threads = std::clamp<std::size_t>(
            std::min<std::size_t>(std::thread::hardware_concurrency(), kChunkBufferBudget / perThread), 1,
            grid_.ChunkCount());
        {
            std::vector<std::jthread> helpers;
            try {
                for (std::size_t i = 1; i < threads; ++i) helpers.emplace_back([this] { Work(); });
            } catch (const std::system_error&) {
                // A process short of memory or threads reads with those it has.
            }
            Work();
        }
        if (failure_) return *failure_;
        return ChunkRead::Done;
    }

private:
    void Work() noexcept {
        try {
            {
                const std::lock_guard lock(hdf5_);
                NoteHdf5ErrorsInsteadOfPrinting();
            }
            ChunkUnfilter unfilter(filters_);
            std::vector<std::uint8_t> stored;
            for (std::size_t chunk = next_++; chunk < grid_.ChunkCount() && !failed_; chunk = next_++) {
                const std::array<hsize_t, 2> origin{chunk / grid_.ChunksAcross() * grid_.chunkRows,
                                                    chunk % grid_.ChunksAcross() * grid_.chunkColumns};
                std::uint32_t skippedFilters = 0;
                if (Status read = ReadStored(origin, stored, skippedFilters); !read) {
                    if (read.failure().code == FailureCode::OutOfMemory)
                        Fail(read.failure());
                    else
                        Fail(origin, read.failure().message);
                    return;
                }
                const auto unfiltered = unfilter.Undo(stored, skippedFilters);
                if (!unfiltered) {
                    Fail(origin, unfiltered.failure().message);
                    return;
                }
                Place(*unfiltered, origin);
            }
        } catch (const std::bad_alloc&) {
            Fail(Failure{FailureCode::OutOfMemory, QStringLiteral("out of memory")});
        }
    }

    // The chunk's bytes as stored, and which of its filters were not run on it. Fails with what is wrong
    // with the chunk, worded to follow its name.
    Status ReadStored(const std::array<hsize_t, 2>& origin, std::vector<std::uint8_t>& stored,
                      std::uint32_t& skippedFilters) {
        const std::lock_guard lock(hdf5_);
        const auto failed = [](const char* what) {
            return TakeHdf5AllocationFailure()
                       ? Failure{FailureCode::OutOfMemory, QStringLiteral("out of memory")}
                       : Failure{FailureCode::DamagedNetCdf, QString::fromLatin1(what)};
        };
        hsize_t size = 0;
        if (H5Dget_chunk_storage_size(dataset_, origin.data(), &size) < 0) return failed("is not stored");
        if (size == 0) return Failure{FailureCode::DamagedNetCdf, QStringLiteral("is not stored")};
        // A chunk stored larger than it can be would inflate beyond its size: it is not inflated at all.
        if (size > filters_.LargestStoredBytes())
            return Failure{FailureCode::DamagedNetCdf, QStringLiteral("is stored in %1 bytes, more than %2 "
                                                                      "bytes of data can take")
                                                           .arg(size)
                                                           .arg(filters_.ChunkBytes())};
        stored.resize(size);
        if (H5Dread_chunk(dataset_, H5P_DEFAULT, origin.data(), &skippedFilters, stored.data()) < 0)
            return failed("cannot be read");
        return {};
    }

    void Fail(const std::array<hsize_t, 2>& origin, const QString& detail) {
        Fail(Failure{FailureCode::DamagedNetCdf, QStringLiteral("damaged netCDF file (%1 chunk at row %2, "
                                                                "column %3 %4)")
                                                     .arg(variableName_)
                                                     .arg(origin[0])
                                                     .arg(origin[1])
                                                     .arg(detail)});
    }

    void Fail(Failure failure) {
        const std::lock_guard lock(failureLock_);
        if (!failure_) failure_ = std::move(failure);
        failed_ = true;
    }

    // Copies the part of the chunk inside the variable to its place; an edge chunk is stored whole, its
    // values beyond the edge unused.
    void Place(const UnfilteredChunk& chunk, const std::array<hsize_t, 2>& origin) const {
        const std::size_t rows = std::min<std::size_t>(grid_.chunkRows, grid_.rows - origin[0]);
        const std::size_t columns = std::min<std::size_t>(grid_.chunkColumns, grid_.columns - origin[1]);
        const std::uint8_t* bytes = chunk.bytes.data();
        const std::size_t lowPlane = grid_.bigEndian ? grid_.ChunkValues() : 0;
        const std::size_t highPlane = grid_.bigEndian ? 0 : grid_.ChunkValues();
        for (std::size_t row = 0; row < rows; ++row) {
            std::uint16_t* out = values_.data() + (origin[0] + row) * grid_.columns + origin[1];
            const std::size_t first = row * grid_.chunkColumns;
            if (chunk.shuffled) {
                const std::uint8_t* low = bytes + lowPlane + first;
                const std::uint8_t* high = bytes + highPlane + first;
                for (std::size_t column = 0; column < columns; ++column)
                    out[column] = static_cast<std::uint16_t>(low[column] | high[column] << 8);
            } else if (grid_.bigEndian) {
                const std::uint8_t* value = bytes + first * 2;
                for (std::size_t column = 0; column < columns; ++column, value += 2)
                    out[column] = static_cast<std::uint16_t>(value[0] << 8 | value[1]);
            } else {
                std::memcpy(out, bytes + first * 2, columns * 2);
            }
        }
    }

    const hid_t dataset_;
    const QString variableName_;
    const ChunkGrid grid_;
    const ChunkFilters& filters_;
    const std::span<std::uint16_t> values_;
    std::mutex hdf5_;
    std::atomic<std::size_t> next_ = 0;
    std::atomic<bool> failed_ = false;
    std::mutex failureLock_;
    std::optional<Failure> failure_;
};

} // namespace

Result<ChunkRead> ReadDeflatedShortChunks(const QByteArray& filePath, const QByteArray& variableName,
                                          std::span<std::uint16_t> values) {
    static_assert(std::endian::native == std::endian::little, "little-endian chunks are placed as stored");
    const auto opened = OpenHdf5Dataset(filePath, variableName);
    if (!opened) return ChunkRead::LeftToLibrary;
    const auto layout = LayoutOf(opened->dataset.get(), values.size());
    if (!layout) return ChunkRead::LeftToLibrary;
    return ChunkInflaters(opened->dataset.get(), variableName, *layout, values).Run();
}
