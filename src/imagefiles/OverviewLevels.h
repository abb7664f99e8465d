// An 8-bit image and the overview levels a tiled image file carries beside it: each level half the width and
// height of the one before (rounded up), each pixel the mean of the 2 × 2 pixels it covers. Where some pixels
// are not valid (space around the Earth), a pixel of a level is valid only when every pixel it covers is.
#pragma once

#include "ColumnSpan.h"

#include <cstddef>
#include <cstdint>
#include <vector>

class OverviewLevels {
public:
    // The image's `height` rows of `rowBytes` bytes are read, never changed, while the object lives.
    // validColumns holds one span per row, or nothing when every pixel is valid. Levels are added until
    // neither side exceeds smallestSide.
    OverviewLevels(const std::uint8_t* rows, int width, int height, std::size_t rowBytes,
                   std::vector<ColumnSpan> validColumns, int smallestSide);

    // The levels, the image itself (level 0) included.
    int Count() const { return static_cast<int>(sizes_.size()); }
    int Width(int level) const { return sizes_.at(static_cast<std::size_t>(level)).width; }
    int Height(int level) const { return sizes_.at(static_cast<std::size_t>(level)).height; }
    // Whether valid columns were given; without them every pixel is valid.
    bool HasMask() const { return !spans_.front().empty(); }

    // Copies `count` grey levels of a row, from column `first` on, into `out`.
    void ReadPixels(int level, int row, int first, int count, std::uint8_t* out) const;
    // Writes 255 for each valid pixel of those and 0 for the others.
    void ReadMask(int level, int row, int first, int count, std::uint8_t* out) const;

private:
    struct Size {
        int width, height;
    };
    // Level 1 is made from the image whenever it is read; the smaller levels are kept.
    static constexpr int kFirstKeptLevel = 2;

    void MakeKeptLevels();
    const std::uint8_t* KeptRow(int level, int row) const;

    const std::uint8_t* rows_;
    std::size_t rowBytes_;
    std::vector<Size> sizes_;
    std::vector<std::vector<ColumnSpan>> spans_;  // per level, per row; empty when every pixel is valid
    std::vector<std::vector<std::uint8_t>> kept_; // levels from kFirstKeptLevel on, rows packed
};
