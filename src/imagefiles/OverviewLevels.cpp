// Overview levels made by halving, and the valid pixels of each.
#include "OverviewLevels.h"

#include <algorithm>
#include <cstring>

namespace {

// `count` pixels of the next smaller level from column `first` on, each the mean of the 2 × 2 pixels it
// covers in rows `top` and `bottom`. A last row or column that stands alone is counted twice, which makes the
// mean that of the pixels there are.
void HalveRow(const std::uint8_t* top, const std::uint8_t* bottom, int sourceWidth, int first, int count,
              std::uint8_t* out) {
    // Pixels with both columns present, in a loop the compiler vectorises, then a last one that may stand
    // alone.
    const int paired = std::clamp(sourceWidth / 2 - first, 0, count);
    const std::uint8_t* upper = top + 2 * first;
    const std::uint8_t* lower = bottom + 2 * first;
    for (int i = 0; i < paired; ++i)
        out[i] = static_cast<std::uint8_t>(
            (upper[2 * i] + upper[2 * i + 1] + lower[2 * i] + lower[2 * i + 1] + 2) / 4);
    for (int i = paired; i < count; ++i) {
        const int left = 2 * (first + i);
        const int right = std::min(left + 1, sourceWidth - 1);
        out[i] = static_cast<std::uint8_t>((top[left] + top[right] + bottom[left] + bottom[right] + 2) / 4);
    }
}

// The valid pixels of a row of the next smaller level: those whose every covered pixel is valid.
ColumnSpan HalveSpan(ColumnSpan top, ColumnSpan bottom, int sourceWidth, int width) {
    const ColumnSpan both{std::max(top.first, bottom.first), std::min(top.end, bottom.end)};
    if (both.Empty()) return {};
    return {(both.first + 1) / 2, both.end >= sourceWidth ? width : both.end / 2};
}

} // namespace

OverviewLevels::OverviewLevels(const std::uint8_t* rows, int width, int height, std::size_t rowBytes,
                               std::vector<ColumnSpan> validColumns, int smallestSide)
    : rows_(rows), rowBytes_(rowBytes) {
    sizes_.push_back({width, height});
    while (std::max(sizes_.back().width, sizes_.back().height) > smallestSide)
        sizes_.push_back({(sizes_.back().width + 1) / 2, (sizes_.back().height + 1) / 2});
    spans_.resize(sizes_.size());
    if (!validColumns.empty()) {
        spans_[0] = std::move(validColumns);
        for (std::size_t level = 1; level < sizes_.size(); ++level) {
            const std::vector<ColumnSpan>& above = spans_[level - 1];
            const int last = sizes_[level - 1].height - 1;
            for (int row = 0; row < sizes_[level].height; ++row)
                spans_[level].push_back(
                    HalveSpan(above[static_cast<std::size_t>(2 * row)],
                              above[static_cast<std::size_t>(std::min(2 * row + 1, last))],
                              sizes_[level - 1].width, sizes_[level].width));
        }
    }
    MakeKeptLevels();
}

void OverviewLevels::MakeKeptLevels() {
    for (int level = kFirstKeptLevel; level < Count(); ++level) {
        const int sourceWidth = Width(level - 1), last = Height(level - 1) - 1;
        std::vector<std::uint8_t>& kept = kept_.emplace_back(static_cast<std::size_t>(Width(level)) *
                                                             static_cast<std::size_t>(Height(level)));
        // The first kept level is made from level 1, which is itself made row by row from the image.
        std::vector<std::uint8_t> top(static_cast<std::size_t>(sourceWidth)), bottom(top.size());
        for (int row = 0; row < Height(level); ++row) {
            const int first = 2 * row, second = std::min(2 * row + 1, last);
            const std::uint8_t* upper = level == kFirstKeptLevel ? top.data() : KeptRow(level - 1, first);
            const std::uint8_t* lower = level == kFirstKeptLevel ? bottom.data() : KeptRow(level - 1, second);
            if (level == kFirstKeptLevel) {
                ReadPixels(level - 1, first, 0, sourceWidth, top.data());
                ReadPixels(level - 1, second, 0, sourceWidth, bottom.data());
            }
            HalveRow(upper, lower, sourceWidth, 0, Width(level),
                     kept.data() + static_cast<std::size_t>(row) * static_cast<std::size_t>(Width(level)));
        }
    }
}

const std::uint8_t* OverviewLevels::KeptRow(int level, int row) const {
    return kept_.at(static_cast<std::size_t>(level - kFirstKeptLevel)).data() +
           static_cast<std::size_t>(row) * static_cast<std::size_t>(Width(level));
}

void OverviewLevels::ReadPixels(int level, int row, int first, int count, std::uint8_t* out) const {
    if (level == 0) {
        std::memcpy(out, rows_ + static_cast<std::size_t>(row) * rowBytes_ + first,
                    static_cast<std::size_t>(count));
    } else if (level == 1) {
        const std::uint8_t* top = rows_ + static_cast<std::size_t>(2 * row) * rowBytes_;
        const std::uint8_t* bottom =
            rows_ + static_cast<std::size_t>(std::min(2 * row + 1, Height(0) - 1)) * rowBytes_;
        HalveRow(top, bottom, Width(0), first, count, out);
    } else {
        std::memcpy(out, KeptRow(level, row) + first, static_cast<std::size_t>(count));
    }
}

void OverviewLevels::ReadMask(int level, int row, int first, int count, std::uint8_t* out) const {
    const std::vector<ColumnSpan>& spans = spans_.at(static_cast<std::size_t>(level));
    const ColumnSpan valid =
        spans.empty() ? ColumnSpan{0, Width(level)} : spans.at(static_cast<std::size_t>(row));
    const int end = first + count;
    const int validFirst = std::clamp(valid.first, first, end);
    const int validEnd = std::clamp(valid.end, validFirst, end);
    std::memset(out, 0, static_cast<std::size_t>(validFirst - first));
    std::memset(out + (validFirst - first), 255, static_cast<std::size_t>(validEnd - validFirst));
    std::memset(out + (validEnd - first), 0, static_cast<std::size_t>(end - validEnd));
}
