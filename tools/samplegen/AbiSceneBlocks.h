// Renders a scene in consecutive row blocks, each next block on a second thread while the caller
// compresses and writes the current one.
#pragma once

#include "AbiScene.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <future>
#include <vector>

class AbiSceneBlocks {
public:
    AbiSceneBlocks(const AbiScene& scene, size_t size, size_t blockRows);
    ~AbiSceneBlocks();
    AbiSceneBlocks(const AbiSceneBlocks&) = delete;
    AbiSceneBlocks& operator=(const AbiSceneBlocks&) = delete;

    // The counts of the next block of rows (the first call gives the block at row 0); they stay valid until
    // the next call. Rethrows what rendering threw.
    const uint16_t* Next();

private:
    void RenderAhead();

    const AbiScene& scene_;
    size_t size_;
    size_t blockRows_;
    size_t nextRow_ = 0;
    size_t nextBuffer_ = 0;
    std::array<std::vector<uint16_t>, 2> buffers_;
    std::future<void> pending_;
};
