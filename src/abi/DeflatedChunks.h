// The radiance counts of a netCDF-4 file read by inflating its chunks on every core. The netCDF library
// inflates one chunk after another with zlib; this takes the stored chunks from HDF5 one at a time and
// inflates them with libdeflate on as many threads as there are cores.
#pragma once

#include <QByteArray>
#include <cstdint>
#include <span>

enum class ChunkRead {
    Done,
    OutOfMemory, // for the buffers of the chunks on their way
    // Stored some other way, or not as HDF5 describes it: the netCDF library reads it, and reports any damage
    // in its own words.
    LeftToLibrary,
};

// Reads the two-dimensional variable of signed 16-bit integers of that name, stored in zlib-deflated chunks
// with or without byte shuffling, into `values` in row-major order. `values` must hold exactly the variable's
// size; on LeftToLibrary its contents are unspecified.
ChunkRead ReadDeflatedShortChunks(const QByteArray& filePath, const QByteArray& variableName,
                                  std::span<std::uint16_t> values);
