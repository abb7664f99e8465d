// How whole an image is, read by the reader from generated files: complete, with rows lost as a broken
// downlink loses them, without the counts, and with counts that contradict each other. The expected figures
// come from the file's own flags, counted here.
#include "AbiCompleteness.h"
#include "AbiFileTruth.h"
#include "AbiSample.h"
#include "AbiTestImage.h"
#include "NetCDFGoesAbi.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <utility>
#include <vector>

namespace {

constexpr int kSize = 600;
constexpr qint64 kPixels = qint64{kSize} * kSize;

class AbiCompletenessTest : public testing::Test {
protected:
    QString Write(double missingRowsPercent = 0, double errorsPercent = 0, bool grb = false) {
        AbiSampleOptions sample;
        sample.size = kSize;
        sample.missingRowsPercent = missingRowsPercent;
        sample.uncorrectableErrorsPercent = errorsPercent;
        sample.grb = grb;
        return WriteAbiSample(sample, dir_.path());
    }
    // What the reader makes of the file, as the reader's process answers it.
    static AbiCompleteness Read(const QString& path) {
        GreyRows rows;
        float longitude = 0;
        AbiCompleteness completeness;
        const Status read = ReadAbiGreyRows(AbiReadRequest::ByName(path), rows, longitude, completeness);
        EXPECT_TRUE(read.ok()) << (read ? std::string() : read.failure().message.toStdString());
        return completeness;
    }

    QTemporaryDir dir_;
};

} // namespace

TEST_F(AbiCompletenessTest, ACompleteDiskIsWhole) {
    const QString path = Write();
    const FlagTally flags = CountFlags(path);
    ASSERT_GT(flags.valid, kPixels / 2);
    ASSERT_EQ(flags.missing, 0);
    const AbiCompleteness stated = Read(path);
    EXPECT_EQ(stated.Percent(), 100.0);
    EXPECT_EQ(stated.MissingPercent(), 0.0);
    EXPECT_EQ(stated.validPixels, flags.valid);
    EXPECT_EQ(stated.missingPixels, 0);
    EXPECT_EQ(stated.gridPixels, kPixels);
    EXPECT_EQ(stated.goodShare, 1.0);
    EXPECT_EQ(stated.noValueShare, 0.0);
    EXPECT_EQ(stated.uncorrectableErrors, 0.0);
    EXPECT_EQ(stated.errorSource, AbiErrorSource::L0);
    EXPECT_TRUE(stated.Contradiction().isEmpty());
    EXPECT_FALSE(stated.Below(99.0));
}

TEST_F(AbiCompletenessTest, RowsLostOnTheDownlinkMakeItIncomplete) {
    const QString path = Write(20, 0.4, true);
    const FlagTally flags = CountFlags(path);
    const double expected = flags.CompletenessPercent();
    // Whole rows come as near the 20 % asked for as rows of this disk can.
    ASSERT_NEAR(expected, 80.0, 0.3);
    const AbiCompleteness stated = Read(path);
    EXPECT_EQ(stated.validPixels, flags.valid);
    EXPECT_EQ(stated.missingPixels, flags.missing);
    EXPECT_EQ(stated.Percent(), expected);
    EXPECT_DOUBLE_EQ(*stated.MissingPercent(), 100.0 - expected);
    EXPECT_EQ(stated.errorSource, AbiErrorSource::GRB);
    EXPECT_NEAR(*stated.uncorrectableErrors, 0.004, 1e-7);
    ASSERT_TRUE(stated.noValueShare);
    EXPECT_NEAR(*stated.noValueShare, double(flags.missing) / double(flags.valid + flags.missing), 1e-6);
    EXPECT_TRUE(stated.Below(99.0));
    EXPECT_TRUE(stated.Below(expected + 0.1));
    EXPECT_FALSE(stated.Below(expected));
    EXPECT_FALSE(stated.Below(0)) << "0 means never";
}

TEST_F(AbiCompletenessTest, L0ErrorsAreTakenWhenTheFileCountsThose) {
    const AbiCompleteness stated = Read(Write(5, 1.5));
    EXPECT_EQ(stated.errorSource, AbiErrorSource::L0);
    EXPECT_NEAR(*stated.uncorrectableErrors, 0.015, 1e-7);
}

TEST_F(AbiCompletenessTest, CountsAbsentGiveNoFigureAndNoFailure) {
    AbiTestImage image;
    image.counts = {1, 2, 3, 4, 5, 6, 7, 8};
    const AbiCompleteness bare = Read(WriteAbiTestImage(image, dir_.path()));
    AbiCompleteness nothingStated;
    nothingStated.gridPixels = 8;
    EXPECT_EQ(bare, nothingStated);
    EXPECT_EQ(bare.Percent(), std::nullopt);
    EXPECT_TRUE(bare.Contradiction().isEmpty());
    EXPECT_FALSE(bare.Below(99.0));

    // A count that holds its fill value is not there either.
    const QString path = Write(20);
    OverwriteCount(path, "valid_pixel_count", -1);
    const AbiCompleteness filled = Read(path);
    EXPECT_EQ(filled.validPixels, std::nullopt);
    EXPECT_EQ(filled.missingPixels, CountFlags(path).missing);
    EXPECT_EQ(filled.Percent(), std::nullopt);
    EXPECT_TRUE(filled.Contradiction().isEmpty());
}

TEST_F(AbiCompletenessTest, CountsThatContradictEachOtherGiveNoFigureAndSaySo) {
    struct Case {
        std::vector<std::pair<const char*, int>> counts;
        QString said;
    };
    const std::vector<Case> cases = {
        {{{"missing_pixel_count", -5}}, "missing_pixel_count is negative (-5)"},
        {{{"saturated_pixel_count", -2}}, "saturated_pixel_count is negative (-2)"},
        {{{"valid_pixel_count", kPixels + 1}},
         "valid_pixel_count (360001) is more than the image's 360000 pixels"},
        {{{"valid_pixel_count", 0}, {"missing_pixel_count", 0}},
         "valid_pixel_count and missing_pixel_count are both 0"},
        {{{"valid_pixel_count", kPixels - 10}, {"missing_pixel_count", 20}},
         "valid_pixel_count and missing_pixel_count (360010 together) are more than the image's 360000 "
         "pixels"},
    };
    for (const Case& contradicting : cases) {
        const QString path = Write(20);
        for (const auto& [name, value] : contradicting.counts) OverwriteCount(path, name, value);
        const AbiCompleteness stated = Read(path);
        EXPECT_EQ(stated.Contradiction(), contradicting.said);
        EXPECT_EQ(stated.Percent(), std::nullopt) << contradicting.said.toStdString();
        EXPECT_FALSE(stated.Below(99.0));
    }
}
