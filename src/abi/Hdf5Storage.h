// What HDF5 itself records about how one dataset of a netCDF-4 file is stored: which chunks were ever
// written, and how the data is compressed. The HDF5 calls and their error model stay in here.
#pragma once

#include <QByteArray>
#include <cstdint>
#include <optional>

struct DatasetStorage {
    enum class Compression {
        None,
        Deflate, // zlib, possibly with byte shuffling and checksums
        Other,   // a filter whose ratio is not bounded the way zlib's is
    };
    Compression compression = Compression::None;
    // For chunked datasets every chunk the dataspace spans, and those that have storage in the file; for
    // other layouts 1 and 1 or 0, whether the data has storage at all.
    std::uint64_t chunksDeclared = 0;
    std::uint64_t chunksWritten = 0;
};

// None when HDF5 cannot open the file or finds no dataset for the netCDF variable of that name.
std::optional<DatasetStorage> ReadDatasetStorage(const QByteArray& filePath, const QByteArray& variableName);
