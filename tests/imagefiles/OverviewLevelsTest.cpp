// The overview levels of a GeoTIFF, against their definition worked out pixel by pixel: each level half the
// one before (rounded up), each pixel the rounded mean of the pixels it covers, valid only where all of them
// are.
#include "OverviewLevels.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace {

using Plane = std::vector<std::vector<int>>; // rows of pixels, or of 0/255 for a mask

// An image of odd sides whose rows are longer than its width, as bitmap rows padded to 4 bytes are.
struct TestImage {
    static constexpr int kWidth = 301, kHeight = 203, kRowBytes = 304;
    std::vector<std::uint8_t> rows = std::vector<std::uint8_t>(kRowBytes * kHeight, 0xEE);
    std::vector<ColumnSpan> valid;

    TestImage() {
        for (int y = 0; y < kHeight; ++y) {
            for (int x = 0; x < kWidth; ++x)
                rows[y * kRowBytes + x] = static_cast<std::uint8_t>((x * 7 + y * y) % 256);
            // A disk-like shape with rows of nothing at the top and the bottom, and one lone valid pixel.
            const int half = y < 5 || y > 195 ? -1 : (y * (kHeight - y)) / 70;
            valid.push_back(half < 0 ? ColumnSpan{} : ColumnSpan{150 - half, 151 + half});
        }
        valid[100] = {0, kWidth};
        valid[101] = {37, 38};
    }
};

// The next level of a plane by its definition.
Plane Halve(const Plane& plane, bool mask) {
    const int height = static_cast<int>(plane.size()), width = static_cast<int>(plane[0].size());
    Plane half((height + 1) / 2, std::vector<int>((width + 1) / 2));
    for (int y = 0; y < (height + 1) / 2; ++y)
        for (int x = 0; x < (width + 1) / 2; ++x) {
            int sum = 0, count = 0;
            bool allValid = true;
            for (int dy = 0; dy < 2; ++dy)
                for (int dx = 0; dx < 2; ++dx) {
                    if (2 * y + dy >= height || 2 * x + dx >= width) continue;
                    sum += plane[2 * y + dy][2 * x + dx];
                    allValid = allValid && plane[2 * y + dy][2 * x + dx] == 255;
                    ++count;
                }
            half[y][x] = mask ? (allValid ? 255 : 0) : (2 * sum + count) / (2 * count);
        }
    return half;
}

Plane Read(const OverviewLevels& levels, int level, bool mask) {
    Plane plane(levels.Height(level), std::vector<int>(levels.Width(level)));
    std::vector<std::uint8_t> row(levels.Width(level));
    for (int y = 0; y < levels.Height(level); ++y) {
        if (mask)
            levels.ReadMask(level, y, 0, levels.Width(level), row.data());
        else
            levels.ReadPixels(level, y, 0, levels.Width(level), row.data());
        plane[y].assign(row.begin(), row.end());
    }
    return plane;
}

} // namespace

TEST(OverviewLevels, EachLevelHalvesTheOneBeforeUntilItFitsTheSmallestSide) {
    const TestImage image;
    const OverviewLevels levels(image.rows.data(), TestImage::kWidth, TestImage::kHeight,
                                TestImage::kRowBytes, image.valid, 40);
    ASSERT_EQ(levels.Count(), 4);
    const int widths[] = {301, 151, 76, 38}, heights[] = {203, 102, 51, 26};
    for (int level = 0; level < levels.Count(); ++level) {
        EXPECT_EQ(levels.Width(level), widths[level]);
        EXPECT_EQ(levels.Height(level), heights[level]);
    }
    EXPECT_EQ(OverviewLevels(image.rows.data(), 301, 203, 304, {}, 301).Count(), 1);
}

TEST(OverviewLevels, PixelsAreMeansAndMasksHoldWhereEveryCoveredPixelIsValid) {
    const TestImage image;
    const OverviewLevels levels(image.rows.data(), TestImage::kWidth, TestImage::kHeight,
                                TestImage::kRowBytes, image.valid, 40);
    ASSERT_TRUE(levels.HasMask());
    Plane pixels(TestImage::kHeight), mask(TestImage::kHeight);
    for (int y = 0; y < TestImage::kHeight; ++y)
        for (int x = 0; x < TestImage::kWidth; ++x) {
            pixels[y].push_back(image.rows[y * TestImage::kRowBytes + x]);
            mask[y].push_back(x >= image.valid[y].first && x < image.valid[y].end ? 255 : 0);
        }
    for (int level = 0; level < levels.Count(); ++level) {
        EXPECT_EQ(Read(levels, level, false), pixels) << "level " << level;
        EXPECT_EQ(Read(levels, level, true), mask) << "level " << level;
        pixels = Halve(pixels, false);
        mask = Halve(mask, true);
    }
}

TEST(OverviewLevels, AWindowOfARowIsThatPartOfTheWholeRow) {
    const TestImage image;
    const OverviewLevels levels(image.rows.data(), TestImage::kWidth, TestImage::kHeight,
                                TestImage::kRowBytes, image.valid, 40);
    for (int level = 0; level < levels.Count(); ++level) {
        const int width = levels.Width(level), first = width / 3, count = width - first - 1;
        std::vector<std::uint8_t> whole(width), part(count), wholeMask(width), partMask(count);
        for (int y = 0; y < levels.Height(level); ++y) {
            levels.ReadPixels(level, y, 0, width, whole.data());
            levels.ReadPixels(level, y, first, count, part.data());
            levels.ReadMask(level, y, 0, width, wholeMask.data());
            levels.ReadMask(level, y, first, count, partMask.data());
            ASSERT_TRUE(std::equal(part.begin(), part.end(), whole.begin() + first)) << level << " " << y;
            ASSERT_TRUE(std::equal(partMask.begin(), partMask.end(), wholeMask.begin() + first))
                << level << " " << y;
        }
    }
}

TEST(OverviewLevels, WithoutValidColumnsEveryPixelIsValid) {
    const TestImage image;
    const OverviewLevels levels(image.rows.data(), TestImage::kWidth, TestImage::kHeight,
                                TestImage::kRowBytes, {}, 40);
    EXPECT_FALSE(levels.HasMask());
    for (const auto& row : Read(levels, 2, true))
        for (const int value : row) ASSERT_EQ(value, 255);
}
