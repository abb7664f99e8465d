// The radiance counts of a netCDF-4 file read by inflating its chunks on every core. The netCDF library
// inflates one chunk after another with zlib; this takes the stored chunks from HDF5 one at a time and
// undoes their filters (deflate with libdeflate, shuffling, checksums) on as many threads as there are cores.
// Every chunk is held to its exact size, so a damaged chunk fails the file here rather than reaching the
// library, which would take a chunk that inflates short and hand out whatever its buffer held beyond it.
#pragma once

#include "Failure.h"

#include <QByteArray>
#include <cstdint>
#include <span>

enum class ChunkRead {
    Done, // every value written
    // Not chunked, not two-dimensional, not 16-bit integers, or filtered some other way: the netCDF library
    // reads it, and reports any damage in its own words. Decided from the dataset's description alone,
    // before any chunk is read.
    LeftToLibrary,
};

// Reads the two-dimensional variable of signed 16-bit integers of that name, stored in chunks that are
// deflated, shuffled or checksummed (any or none of these), into `values` in row-major order. `values` must
// hold exactly the variable's size; unless the result is Done its contents are unspecified and must not be
// used, nor read again by the library. A chunk that is not exactly what its filters make fails as
// DamagedNetCdf, "damaged netCDF file (Rad chunk at row 226, column 452 inflates to 51076 bytes, not
// 102152)"; memory that runs out fails as OutOfMemory.
Result<ChunkRead> ReadDeflatedShortChunks(const QByteArray& filePath, const QByteArray& variableName,
                                          std::span<std::uint16_t> values);
