// The memory the ABI reader reads the counts into and writes the grey rows over, which then becomes the
// image's pixels without a copy. A reader in the program's own process takes it from the heap; a reader in a
// process of its own takes it from memory the program maps afterwards.
#pragma once

#include "Failure.h"

#include <QImage>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>

class PixelBlock {
public:
    virtual ~PixelBlock() = default;

    virtual std::uint8_t* Data() = 0;
    // Hands the first keptBytes to an 8-bit image that releases them when it goes, giving back the rest
    // where it can; the block holds nothing afterwards. A null image (the memory released) when Qt refuses
    // the size.
    virtual QImage IntoImage(std::size_t keptBytes, int width, int height, qsizetype rowBytes) = 0;
};

// Gives a block of the size asked for, or why there is none.
using PixelBlockSource = std::function<Result<std::unique_ptr<PixelBlock>>(std::size_t bytes)>;

Result<std::unique_ptr<PixelBlock>> HeapPixelBlock(std::size_t bytes);
