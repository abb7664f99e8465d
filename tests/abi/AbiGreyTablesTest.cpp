// Count-to-grey tables: the temperature scale, the Planck inversion and the visible stretch, checked against
// values worked out by hand from the band constants.
#include "AbiGreyTables.h"

#include <gtest/gtest.h>

namespace {

constexpr int kB07 = 6;
constexpr int kB13 = 12;

} // namespace

TEST(TemperatureToPixel, FollowsTheTwoSlopesAndRoundsHalvesToEven) {
    const std::pair<double, int> cases[] = {{163, 255},   {162.9, 255}, {200, 218}, {241.5, 176}, {242, 176},
                                            {242.5, 175}, {250, 160},   {300, 60},  {330, 0},     {330.1, 0},
                                            {0, 255},     {202.5, 216}, {-40, 255}, {1000, 0}};
    for (const auto& [kelvin, grey] : cases) EXPECT_EQ(TemperatureToPixel(kelvin), grey) << kelvin << " K";
}

TEST(BrightnessTemperature, InvertsPlanckWithTheBandConstants) {
    EXPECT_NEAR(BrightnessTemperature(kB13, 100), 296.6293, 1e-3);
    EXPECT_NEAR(BrightnessTemperature(kB13, 50), 258.6078, 1e-3);
    EXPECT_NEAR(BrightnessTemperature(kB13, 10), 199.0829, 1e-3);
    EXPECT_EQ(BrightnessTemperature(kB13, 0), 0);
    EXPECT_EQ(BrightnessTemperature(kB13, -3), 0);
}

TEST(InfraredGreyTable, MapsRadianceThroughTemperatureAndLeavesFillWhite) {
    // Scale 0.5, offset -2: counts 4, 24, 104 and 204 have radiance 0, 10, 50 and 100.
    const GreyTable table = InfraredGreyTable(kB13, 4095, 0.5, -2);
    ASSERT_EQ(table.size(), kCountRange);
    EXPECT_EQ(table[204], 67);
    EXPECT_EQ(table[104], 143);
    EXPECT_EQ(table[24], 219);
    EXPECT_EQ(table[4], 255);
    EXPECT_EQ(table[0], 255);
    EXPECT_EQ(table[4094], 0);
    EXPECT_EQ(table[4095], 255);
    EXPECT_EQ(table[65535], 255);
}

TEST(InfraredGreyTable, FourteenBitBandKeepsHotCountsAboveTheTwelveBitRange) {
    // Band 7 with fill 16383 and scale 0.0002: temperatures 297.0, 306.4, 313.9 and 325.2 K.
    const GreyTable table = InfraredGreyTable(kB07, 16383, 0.0002, 0);
    EXPECT_EQ(table[4095], 66);
    EXPECT_EQ(table[6000], 47);
    EXPECT_EQ(table[8000], 32);
    EXPECT_EQ(table[12000], 10);
    EXPECT_EQ(table[16382], 0);
    EXPECT_EQ(table[16383], 255);
    EXPECT_EQ(table[40000], 255);
}

TEST(InfraredGreyTable, NoValidCountsWithoutAPositiveFillValue) {
    for (const std::int32_t fill : {0, -1}) {
        const GreyTable table = InfraredGreyTable(kB13, fill, 0.5, 0);
        EXPECT_EQ(std::count(table.begin(), table.end(), 255), static_cast<std::ptrdiff_t>(kCountRange));
    }
}

TEST(VisibleGreyTable, StretchesUpToTheLargestValidCountAsWhite) {
    const GreyTable table = VisibleGreyTable(1000, 1.0f);
    ASSERT_EQ(table.size(), kCountRange);
    EXPECT_EQ(table[0], 0);
    EXPECT_EQ(table[1], 0);
    EXPECT_EQ(table[4], 1);
    EXPECT_EQ(table[500], 127);
    EXPECT_EQ(table[700], 178);
    EXPECT_EQ(table[999], 254);
    EXPECT_EQ(table[1000], 255);
    EXPECT_EQ(table[1001], 0);
    EXPECT_EQ(table[1023], 0);
    EXPECT_EQ(table[65535], 0);
}

TEST(VisibleGreyTable, GammaBrightensTheDarkEndAndBadGammaCountsAsLinear) {
    EXPECT_GT(VisibleGreyTable(1000, 2.0f)[250], VisibleGreyTable(1000, 1.0f)[250]);
    EXPECT_EQ(VisibleGreyTable(1000, 2.0f)[1000], 255);
    EXPECT_EQ(VisibleGreyTable(1000, 0.0f), VisibleGreyTable(1000, 1.0f));
    EXPECT_EQ(VisibleGreyTable(1000, -2.0f), VisibleGreyTable(1000, 1.0f));
    const GreyTable empty = VisibleGreyTable(0, 1.0f);
    EXPECT_EQ(std::count(empty.begin(), empty.end(), 0), static_cast<std::ptrdiff_t>(kCountRange));
}

TEST(LargestCountBelow, IgnoresFillAndLargerCounts) {
    const std::vector<std::uint16_t> counts = {0, 999, 1000, 1023, 4000, 65535};
    EXPECT_EQ(LargestCountBelow(counts, 1023), 1000);
    EXPECT_EQ(LargestCountBelow(counts, 32767), 4000);
    EXPECT_EQ(LargestCountBelow(counts, 0), 0);
    EXPECT_EQ(LargestCountBelow(counts, -1), 0);
    const std::vector<std::uint16_t> onlyFill(1000, 1023);
    EXPECT_EQ(LargestCountBelow(onlyFill, 1023), 0);
}

TEST(LargestCountBelow, FindsTheMaximumAnywhereInALongImage) {
    for (const std::size_t at : {0, 63, 64, 130, 196, 200}) {
        std::vector<std::uint16_t> counts(201, 7);
        counts[(at + 100) % counts.size()] = 4095;
        counts[at] = 812;
        EXPECT_EQ(LargestCountBelow(counts, 4095), 812) << at;
    }
}
