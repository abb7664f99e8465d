// Pixel blocks on the heap.
#include "PixelBlock.h"

#include <cstdlib>

namespace {

class HeapBlock final : public PixelBlock {
public:
    explicit HeapBlock(std::size_t bytes) : memory_(static_cast<std::uint8_t*>(std::malloc(bytes))) {}
    ~HeapBlock() override { std::free(memory_); }
    HeapBlock(const HeapBlock&) = delete;
    HeapBlock& operator=(const HeapBlock&) = delete;

    std::uint8_t* Data() override { return memory_; }

    void Keep(std::size_t keptBytes) override {
        if (auto* shrunk = static_cast<std::uint8_t*>(std::realloc(memory_, keptBytes))) memory_ = shrunk;
    }

private:
    std::uint8_t* memory_;
};

} // namespace

Result<std::unique_ptr<PixelBlock>> HeapPixelBlock(std::size_t bytes) {
    auto block = std::make_unique<HeapBlock>(bytes);
    if (!block->Data())
        return Failure{FailureCode::OutOfMemory,
                       QStringLiteral("out of memory (%1 MB for the image)").arg(bytes / 1000000)};
    return std::unique_ptr<PixelBlock>(std::move(block));
}
