// The stored chunks of a netCDF-4 variable, read and replaced through HDF5 itself, so that a test can
// make a file whose chunks are damaged in exactly one way; and zlib, independent of the reader's inflater,
// to make and take apart their compressed bytes.
#pragma once

#include <QString>
#include <cstdint>
#include <vector>

using Bytes = std::vector<std::uint8_t>;

struct StoredChunk {
    Bytes bytes;
    std::uint32_t skippedFilters = 0; // bit i set: the i-th filter of the variable was not run on it
};

// The chunk of the dataset (e.g. "/Rad") whose first value is at (row, column); empty when HDF5 fails.
StoredChunk ReadStoredChunk(const QString& path, const char* dataset, std::uint64_t row,
                            std::uint64_t column);
// Stores `chunk` in place of that chunk, as it stands; false when HDF5 fails.
bool ReplaceStoredChunk(const QString& path, const char* dataset, std::uint64_t row, std::uint64_t column,
                        const StoredChunk& chunk);

// A zlib stream of the bytes.
Bytes ZlibDeflated(const Bytes& bytes);
// The bytes of a whole zlib stream that inflates to exactly `size` bytes; empty otherwise.
Bytes ZlibInflated(const Bytes& stream, std::size_t size);
// A zlib stream of `bytes` zero bytes (whole mebibytes) made of one compressed mebibyte repeated, so that
// a stream inflating to gigabytes takes a few megabytes to make.
Bytes ZlibZeros(std::uint64_t bytes);
