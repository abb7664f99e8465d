// Double-buffered rendering of row blocks, one block ahead.
#include "AbiSceneBlocks.h"

#include <algorithm>

AbiSceneBlocks::AbiSceneBlocks(const AbiScene& scene, size_t size, size_t blockRows)
    : scene_(scene), size_(size), blockRows_(blockRows) {
    for (std::vector<uint16_t>& buffer : buffers_) buffer.resize(blockRows * size);
    RenderAhead();
}

AbiSceneBlocks::~AbiSceneBlocks() {
    // The rendering thread writes into buffers_; it must end before they go.
    if (pending_.valid()) pending_.wait();
}

void AbiSceneBlocks::RenderAhead() {
    if (nextRow_ >= size_) return;
    const size_t rows = std::min(blockRows_, size_ - nextRow_);
    uint16_t* target = buffers_[nextBuffer_].data();
    pending_ = std::async(std::launch::async, [this, firstRow = nextRow_, rows, target] {
        scene_.RenderRows(static_cast<int>(firstRow), static_cast<int>(rows), target);
    });
    nextRow_ += rows;
    nextBuffer_ ^= 1;
}

const uint16_t* AbiSceneBlocks::Next() {
    const uint16_t* ready = buffers_[nextBuffer_ ^ 1].data();
    pending_.get();
    RenderAhead();
    return ready;
}
