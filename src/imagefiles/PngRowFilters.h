// PNG row filtering for the writer: each row gets the filter (none, sub or Paeth) whose output bytes, read as
// signed, sum to the least magnitude, the heuristic libpng uses, so files keep libpng's size.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>

struct PngRowSource {
    // Row y, top to bottom; every row holds rowBytes bytes.
    std::function<const std::uint8_t*(std::uint32_t y)> row;
    std::uint32_t height = 0;
    std::size_t rowBytes = 0;
    std::size_t bytesPerPixel = 1;
};

// Filters rows [first, last) into `filtered`: for each row the filter type, then the filtered row. On a tie
// the earlier filter of none, sub and Paeth wins, as in libpng.
void FilterRows(const PngRowSource& source, std::uint32_t first, std::uint32_t last, std::uint8_t* filtered);
