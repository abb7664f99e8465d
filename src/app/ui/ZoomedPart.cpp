// Scaling the shown part of a grey image by sampling it.
#include "ZoomedPart.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

namespace {

constexpr int kMostSamplesAcross = 4;

// Where the samples of each screen pixel from `first` on lie along one side: `samples` source positions per
// screen pixel, each in the middle of an equal share of the source stretch that the screen pixel covers.
struct SamplePositions {
    int samples;
    std::vector<int> positions;
};

SamplePositions PositionsAlong(int sourceLength, int shownLength, int first, int count) {
    const double perScreenPixel = static_cast<double>(sourceLength) / shownLength;
    const int samples = std::clamp(static_cast<int>(std::ceil(perScreenPixel - 1e-9)), 1, kMostSamplesAcross);
    SamplePositions along{samples, {}};
    along.positions.reserve(static_cast<std::size_t>(count) * samples);
    for (int screen = first; screen < first + count; ++screen)
        for (int sample = 0; sample < samples; ++sample) {
            const double at = (screen + (sample + 0.5) / samples) * perScreenPixel;
            along.positions.push_back(std::clamp(static_cast<int>(at), 0, sourceLength - 1));
        }
    return along;
}

} // namespace

QImage ZoomedPart(const QImage& source, QSize shown, QRect part) {
    part &= QRect(QPoint(0, 0), shown);
    QImage result(part.size(), QImage::Format_Grayscale8);
    if (result.isNull() || source.isNull()) return result;
    const SamplePositions columns = PositionsAlong(source.width(), shown.width(), part.x(), part.width());
    const SamplePositions rows = PositionsAlong(source.height(), shown.height(), part.y(), part.height());
    const int perPixel = columns.samples * rows.samples;
    std::vector<std::uint32_t> sums(static_cast<std::size_t>(part.width()));
    for (int y = 0; y < part.height(); ++y) {
        std::fill(sums.begin(), sums.end(), 0u);
        for (int row = 0; row < rows.samples; ++row) {
            const std::uint8_t* line =
                source.constScanLine(rows.positions[static_cast<std::size_t>(y) * rows.samples + row]);
            const int* column = columns.positions.data();
            for (std::uint32_t& sum : sums)
                for (int sample = 0; sample < columns.samples; ++sample) sum += line[*column++];
        }
        std::uint8_t* out = result.scanLine(y);
        for (int x = 0; x < part.width(); ++x)
            out[x] = static_cast<std::uint8_t>((sums[static_cast<std::size_t>(x)] + perPixel / 2) / perPixel);
    }
    return result;
}
