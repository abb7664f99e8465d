// The memory the ABI reader reads the counts into and writes the grey rows over, which then becomes the
// image's pixels without a copy. A reader in the program's own process takes it from the heap; a reader in a
// process of its own takes it from memory the program maps afterwards.
#pragma once

#include "Failure.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>

class PixelBlock {
public:
    virtual ~PixelBlock() = default;

    virtual std::uint8_t* Data() = 0;
    // Gives back what lies beyond the first keptBytes, or leaves that to the block's owner; Data() may move.
    virtual void Keep(std::size_t keptBytes) = 0;
};

// Gives a block of the size asked for, or why there is none.
using PixelBlockSource = std::function<Result<std::unique_ptr<PixelBlock>>(std::size_t bytes)>;

Result<std::unique_ptr<PixelBlock>> HeapPixelBlock(std::size_t bytes);

// An 8-bit grey image: `height` rows of `rowBytes` bytes at the start of its block, row 0 on top, each row
// holding `width` grey levels.
struct GreyRows {
    std::unique_ptr<PixelBlock> block;
    int width = 0;
    int height = 0;
    std::size_t rowBytes = 0;
};
