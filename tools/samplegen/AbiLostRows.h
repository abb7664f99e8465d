// Which rows of a full disk a broken downlink loses: one band of whole rows, from the middle of the disk
// southwards and, when the south does not hold enough of the Earth, on northwards.
#pragma once

#include <cstddef>
#include <vector>

struct AbiRowRange {
    size_t first = 0;
    size_t end = 0; // one past the last; equal to first when no row is lost

    bool Contains(size_t row) const { return row >= first && row < end; }
    bool Overlaps(size_t firstRow, size_t rowCount) const {
        return firstRow < end && firstRow + rowCount > first;
    }
};

// earthPixels holds each row's pixels on the Earth's disk. The rows lost hold, as nearly as whole rows can,
// the percentage of all of them.
AbiRowRange LostRows(const std::vector<size_t>& earthPixels, double percent);
