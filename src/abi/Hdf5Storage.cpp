// The HDF5 queries behind DatasetStorage: the dataset's creation properties and its chunk index.
#include "Hdf5Storage.h"

#include "Hdf5Dataset.h"

#include <vector>

namespace {

DatasetStorage::Compression CompressionOf(hid_t creation) {
    const int filters = H5Pget_nfilters(creation);
    if (filters < 0) return DatasetStorage::Compression::Other;
    auto compression = DatasetStorage::Compression::None;
    for (int i = 0; i < filters; ++i) {
        unsigned flags = 0;
        std::size_t valueCount = 0;
        unsigned filterConfig = 0;
        switch (H5Pget_filter2(creation, static_cast<unsigned>(i), &flags, &valueCount, nullptr, 0, nullptr,
                               &filterConfig)) {
        case H5Z_FILTER_SHUFFLE:
        case H5Z_FILTER_FLETCHER32:
            break;
        case H5Z_FILTER_DEFLATE:
            compression = DatasetStorage::Compression::Deflate;
            break;
        default:
            return DatasetStorage::Compression::Other;
        }
    }
    return compression;
}

// How many chunks of `chunk` extents cover the whole dataspace.
std::optional<std::uint64_t> ChunksCovering(hid_t space, hid_t creation) {
    const int rank = H5Sget_simple_extent_ndims(space);
    if (rank < 0) return std::nullopt;
    std::vector<hsize_t> extent(static_cast<std::size_t>(rank));
    std::vector<hsize_t> chunk(static_cast<std::size_t>(rank));
    if (H5Sget_simple_extent_dims(space, extent.data(), nullptr) != rank ||
        H5Pget_chunk(creation, rank, chunk.data()) != rank)
        return std::nullopt;
    std::uint64_t count = 1;
    for (int d = 0; d < rank; ++d) {
        const auto i = static_cast<std::size_t>(d);
        if (chunk[i] == 0) return std::nullopt;
        const std::uint64_t along = (extent[i] + chunk[i] - 1) / chunk[i];
        if (along != 0 && count > UINT64_MAX / along) return std::nullopt;
        count *= along;
    }
    return count;
}

} // namespace

std::optional<DatasetStorage> ReadDatasetStorage(const QByteArray& filePath, const QByteArray& variableName) {
    const auto opened = OpenHdf5Dataset(filePath, variableName);
    if (!opened) return std::nullopt;
    const hid_t dataset = opened->dataset.get();
    const Hdf5Id<H5Pclose> creation(H5Dget_create_plist(dataset));
    const Hdf5Id<H5Sclose> space(H5Dget_space(dataset));
    if (!creation.valid() || !space.valid()) return std::nullopt;

    DatasetStorage storage;
    storage.compression = CompressionOf(creation.get());
    if (H5Pget_layout(creation.get()) == H5D_CHUNKED) {
        const auto declared = ChunksCovering(space.get(), creation.get());
        hsize_t written = 0;
        if (!declared || H5Dget_num_chunks(dataset, space.get(), &written) < 0) return std::nullopt;
        storage.chunksDeclared = *declared;
        storage.chunksWritten = written;
    } else {
        H5D_space_status_t status = H5D_SPACE_STATUS_ERROR;
        if (H5Dget_space_status(dataset, &status) < 0) return std::nullopt;
        storage.chunksDeclared = 1;
        storage.chunksWritten = status == H5D_SPACE_STATUS_NOT_ALLOCATED ? 0 : 1;
    }
    return storage;
}
