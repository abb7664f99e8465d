// Rendering of the synthetic full disk: a coarse lattice of smooth values, bilinear interpolation,
// a periodic texture and per-pixel noise, turned into counts through the band's table.
#include "AbiScene.h"

#include "EarthModel.h"
#include "SampleRandom.h"

#include <algorithm>
#include <cmath>
#include <future>
#include <numbers>

namespace {

constexpr float kDiskShare = 0.96f;       // disk radius relative to half the image
constexpr float kFlattening = 0.9966471f; // polar / equatorial radius
constexpr int kMaxCells = 512;
constexpr float kDetailCellsAcross = 1024.0f;

} // namespace

AbiScene::AbiScene(const AbiSampleOptions& options, int size)
    : size_(size), fill_(BandCalibration(options.band).fillValue),
      noiseSeed_(Hash32(options.seed, static_cast<uint32_t>(options.band), 0x401eU)),
      centre_(static_cast<float>(size - 1) / 2.0f), radius_(kDiskShare * static_cast<float>(size) / 2.0f),
      polarRadius_(radius_ * kFlattening), cells_(std::clamp(size / 8, 16, kMaxCells)),
      detailCellsPerPixel_(kDetailCellsAcross / static_cast<float>(size)),
      appearance_(options.band, options.start.toUTC().date().dayOfYear()),
      detail_(Hash32(options.seed, 0xde7a11U)) {
    const EarthModel earth(options.seed, options.longitude, options.start.toUTC());
    nodes_.resize(static_cast<size_t>(cells_ + 1) * (cells_ + 1));
    const int half = (cells_ + 1) / 2;
    std::future<void> upperHalf = std::async(std::launch::async, [&] { ComputeNodeRows(earth, 0, half); });
    ComputeNodeRows(earth, half, cells_ + 1);
    upperHalf.get();
}

void AbiScene::ComputeNodeRows(const EarthModel& earth, int firstRow, int endRow) {
    // Nodes further off the disk than one cell never take part in the interpolation.
    const double reach = 1.0 + 2.0 * std::numbers::sqrt2 / cells_;
    for (int row = firstRow; row < endRow; ++row)
        for (int column = 0; column <= cells_; ++column) {
            double u = -1.0 + 2.0 * column / cells_;
            double v = -1.0 + 2.0 * row / cells_;
            const double radius = std::hypot(u, v);
            if (radius > reach) continue;
            if (radius > 0.999) {
                u *= 0.999 / radius;
                v *= 0.999 / radius;
            }
            nodes_[static_cast<size_t>(row) * (cells_ + 1) + column] = appearance_.Level(earth.At(u, v));
        }
}

void AbiScene::RenderRows(int firstRow, int rowCount, uint16_t* counts) const {
    for (int row = 0; row < rowCount; ++row)
        RenderRow(firstRow + row, counts + static_cast<size_t>(row) * size_);
}

void AbiScene::RenderRow(int row, uint16_t* counts) const {
    const float v = (static_cast<float>(row) - centre_) / polarRadius_;
    if (std::fabs(v) >= 1.0f) {
        std::fill(counts, counts + size_, fill_);
        return;
    }
    const float halfWidth = radius_ * std::sqrt(1.0f - v * v);
    const int first = std::max(0, static_cast<int>(std::ceil(centre_ - halfWidth)));
    const int last = std::min(size_ - 1, static_cast<int>(std::floor(centre_ + halfWidth)));
    std::fill(counts, counts + first, fill_);
    std::fill(counts + last + 1, counts + size_, fill_);

    const auto cells = static_cast<float>(cells_);
    const float gy = (v + 1.0f) * 0.5f * cells;
    const int nodeRow = std::min(static_cast<int>(gy), cells_ - 1);
    const float fy = gy - static_cast<float>(nodeRow);
    const float detailY = static_cast<float>(row) * detailCellsPerPixel_;
    const float invRadius = 1.0f / radius_;
    SampleRandom noise(Hash32(noiseSeed_, static_cast<uint32_t>(row)));

    for (int x = first; x <= last; ++x) {
        const float u = (static_cast<float>(x) - centre_) * invRadius;
        const float mu = std::sqrt(std::max(0.0f, 1.0f - u * u - v * v));
        const float gx = (u + 1.0f) * 0.5f * cells;
        const int nodeColumn = std::clamp(static_cast<int>(gx), 0, cells_ - 1);
        const float fx = gx - static_cast<float>(nodeColumn);
        const AbiSceneLevel a = Node(nodeColumn, nodeRow), b = Node(nodeColumn + 1, nodeRow);
        const AbiSceneLevel c = Node(nodeColumn, nodeRow + 1), d = Node(nodeColumn + 1, nodeRow + 1);
        const float top = a.level + (b.level - a.level) * fx;
        const float bottom = c.level + (d.level - c.level) * fx;
        const float level = top + (bottom - top) * fy;
        const float textureTop = a.texture + (b.texture - a.texture) * fx;
        const float textureBottom = c.texture + (d.texture - c.texture) * fx;
        const float texture = textureTop + (textureBottom - textureTop) * fy;

        const float detailX = static_cast<float>(x) * detailCellsPerPixel_;
        const float detail = 0.6f * detail_.At(detailX, detailY) +
                             0.4f * detail_.At(2.3f * detailX + 57.5f, 2.3f * detailY + 101.25f);
        const float value = appearance_.PixelValue(level, texture * detail, mu, noise.Symmetric());
        counts[x] = appearance_.Count(value);
    }
}
