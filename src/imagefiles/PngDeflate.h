// The filtered rows of a PNG image as one zlib stream, filtered and deflated on all cores: the rows are cut
// into pieces that libdeflate compresses independently, joined as parallel gzip joins its pieces.
#pragma once

#include "PngRowFilters.h"

#include <cstdint>
#include <vector>

// The zlib stream in consecutive parts (header, pieces, checksum), to be written one after the other.
// Raises std::bad_alloc when memory runs out.
std::vector<std::vector<std::uint8_t>> DeflateRowsOnAllCores(const PngRowSource& source, int level);
