// Band and satellite tables: the texts that labels, file names and messages are built from.
#include "BandTables.h"

#include <gtest/gtest.h>

TEST(BandTables, LabelsUseCodeAndCaptionWithMicroSign) {
    EXPECT_EQ(BandLabelCaption(0), QString::fromUtf8("B01:  0.47 \xC2\xB5m  blue"));
    EXPECT_EQ(BandLabelCaption(15), QString::fromUtf8("B16:  13.3 \xC2\xB5m  CO2"));
    for (int i = 0; i < kBandCount; ++i) {
        EXPECT_EQ(BandCode[i], QString::asprintf("B%02d", i + 1));
        EXPECT_TRUE(BandCaption[i].contains(QChar(0x00B5)));
        EXPECT_TRUE(BandHint[i].contains(QChar(0x00B5)));
    }
    EXPECT_EQ(BandCode[12].toLower(), "b13");
}

TEST(BandTables, HintsKeepTheirQuotesAndBlanks) {
    EXPECT_EQ(BandHint[12], QString::fromUtf8("10.3 \xC2\xB5m \"clean\" thermal"));
    EXPECT_EQ(BandHint[14], QString::fromUtf8("12.3 \xC2\xB5m  \"dirty\" thermal"));
    EXPECT_EQ(BandHint[2], QString::fromUtf8("0.86 \xC2\xB5m  vegetation"));
    EXPECT_EQ(BandCaption[9], QString::fromUtf8("7.3 \xC2\xB5m  VW lower"));
}

TEST(BandTables, SatelliteNamesAndTags) {
    EXPECT_EQ(SatelliteName(1), "GOES-16");
    EXPECT_EQ(SatelliteName(4), "GOES-19");
    EXPECT_EQ(SatelliteFileField(3), "G18");
    EXPECT_EQ(SatelliteStatusLabel(0), "(unknown)");
    EXPECT_EQ(SatelliteStatusLabel(2), "GOES-17");
    EXPECT_EQ(SatelliteShortTag(0, false), "!unknown!-");
    EXPECT_EQ(SatelliteShortTag(2, true), "g17-");
    EXPECT_EQ(SatelliteShortTag(4, false), "g19-");
    EXPECT_EQ(SatelliteShortTag(4, true), "g16-");
    for (SatelliteCode code = 1; code <= kSatelliteCount; ++code)
        EXPECT_EQ(SatelliteMaskField(SatelliteName(code)), SatelliteFileField(code));
}

TEST(BandTables, AnimationChannelsFollowTheSharedTable) {
    EXPECT_EQ(AnimationChannel(0, 0), 107);
    EXPECT_EQ(AnimationChannel(1, 12), 119);
    EXPECT_EQ(AnimationChannel(4, 15), 122);
    EXPECT_EQ(AnimationChannel(2, 0), 125);
    EXPECT_EQ(AnimationChannel(3, 15), 140);
}
