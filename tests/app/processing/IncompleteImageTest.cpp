// A received file that says it is not whole: still converted and published, and reported with how much of
// the disk it lacks when that is more than the setting allows. Expected figures come from the file's own
// flags, counted before it is processed.
#include "AbiFileTruth.h"
#include "FileProcessor.h"
#include "ProcessingFixture.h"
#include "ScanReports.h"

#include <QFile>
#include <QFileInfo>
#include <ostream>

// A line as gtest shows it when an expectation fails.
void PrintTo(const LogLine& line, std::ostream* out) {
    *out << "[" << static_cast<int>(line.severity) << "] " << line.text.toStdString();
}

namespace {

class IncompleteImageTest : public ProcessingFixture {
protected:
    FileProcessor processor;

    void SetUp() override {
        ProcessingFixture::SetUp();
        processor.notify = nullptr;
    }
    QString Receive(double missingRowsPercent, double errorsPercent = 0.4, bool grb = true) {
        AbiSampleOptions sample;
        sample.size = 400;
        sample.missingRowsPercent = missingRowsPercent;
        sample.uncorrectableErrorsPercent = errorsPercent;
        sample.grb = grb;
        return WriteAbiSample(sample, source);
    }
    FileOutcome Process(const QString& path) {
        const FileOutcome outcome = processor.ProcessFile(ReceivedFile::At(path), options);
        EXPECT_TRUE(outcome.Processed()) << (outcome.failure ? outcome.failure->message.toStdString() : "");
        EXPECT_FALSE(QFile::exists(path)) << "the received file stays";
        return outcome;
    }
    // "<name>: incomplete, <missing> % of the disk missing", with the missing share counted in the file.
    static QString IncompleteLine(const QString& path, const FlagTally& flags) {
        return QFileInfo(path).fileName() + ": incomplete, " +
               QString::number(100.0 - flags.CompletenessPercent(), 'f', 1) + " % of the disk missing";
    }
};

} // namespace

TEST_F(IncompleteImageTest, ACompleteFileIsWholeAndSaysNothingMore) {
    const FileOutcome outcome = Process(Receive(0));
    EXPECT_EQ(outcome.completeness.Percent(), 100.0);
    EXPECT_FALSE(outcome.incomplete);
    EXPECT_EQ(CompletenessLine(outcome), std::nullopt);
}

TEST_F(IncompleteImageTest, AFileWithRowsLostIsPublishedAndWarnedOfWithItsErrors) {
    struct Case {
        double errorsPercent;
        bool grb;
        QString errors;
    };
    const Case cases[] = {{0.4, true, " (GRB errors 0.4 %)"}, {1.5, false, " (L0 errors 1.5 %)"}};
    for (const Case& c : cases) {
        const QString path = Receive(20, c.errorsPercent, c.grb);
        const FlagTally flags = CountFlags(path);
        ASSERT_NEAR(flags.CompletenessPercent(), 80.0, 0.5);
        const FileOutcome outcome = Process(path);
        EXPECT_TRUE(QFileInfo::exists(outcome.imagePath)) << "an incomplete image is published all the same";
        EXPECT_EQ(outcome.completeness.Percent(), flags.CompletenessPercent());
        EXPECT_TRUE(outcome.incomplete);
        EXPECT_EQ(CompletenessLine(outcome),
                  (LogLine{IncompleteLine(path, flags) + c.errors, LogSeverity::Warning}));
    }
}

TEST_F(IncompleteImageTest, WithoutAStatedErrorShareTheLineEndsAtTheDisk) {
    const QString path = Receive(20, 0, false);
    OverwriteCount(path, "percent_uncorrectable_L0_errors", -999);
    const FlagTally flags = CountFlags(path);
    EXPECT_EQ(CompletenessLine(Process(path)), (LogLine{IncompleteLine(path, flags), LogSeverity::Warning}));
}

TEST_F(IncompleteImageTest, TheSettingDecidesWhatIsIncompleteAndZeroNeverDoes) {
    const double completeness = CountFlags(Receive(20)).CompletenessPercent();
    const std::pair<double, bool> cases[] = {
        {99.0, true}, {completeness + 0.1, true}, {completeness, false}, {50.0, false}, {0.0, false}};
    for (const auto& [threshold, incomplete] : cases) {
        options.incompleteBelowPercent = threshold;
        const FileOutcome outcome = Process(Receive(20));
        EXPECT_EQ(outcome.incomplete, incomplete) << threshold;
        EXPECT_EQ(CompletenessLine(outcome).has_value(), incomplete) << threshold;
    }
}

TEST_F(IncompleteImageTest, CountsAbsentGiveNoFigureNoLineAndNoFailure) {
    const QString path = Receive(20);
    OverwriteCount(path, "valid_pixel_count", -1);
    OverwriteCount(path, "missing_pixel_count", -1);
    const FileOutcome outcome = Process(path);
    EXPECT_EQ(outcome.completeness.Percent(), std::nullopt);
    EXPECT_FALSE(outcome.incomplete);
    EXPECT_EQ(CompletenessLine(outcome), std::nullopt);
}

TEST_F(IncompleteImageTest, CountsThatContradictEachOtherAreSaidAndTheFileProcessed) {
    const QString path = Receive(20);
    OverwriteCount(path, "missing_pixel_count", -5);
    const FileOutcome outcome = Process(path);
    EXPECT_FALSE(outcome.incomplete);
    EXPECT_EQ(CompletenessLine(outcome),
              (LogLine{QFileInfo(path).fileName() +
                           ": completeness not known, the file's pixel counts contradict each other: "
                           "missing_pixel_count is negative (-5)",
                       LogSeverity::Warning}));
}
