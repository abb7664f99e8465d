// What the page keeps of the scan's reports: counts, the files that stay in the source folder, the log.
#include "StationStatus.h"
#include "StationMetrics.h"

#include <gtest/gtest.h>

namespace {

const QDateTime kNow = QDateTime::fromString("2025-01-21T20:10:00Z", Qt::ISODate);

FileOutcome Outcome(const QString& path, std::optional<Failure> failure,
                    std::optional<FileIdentity> identity = std::nullopt) {
    FileOutcome outcome;
    outcome.sourcePath = path;
    outcome.failure = std::move(failure);
    outcome.identity = identity;
    if (!outcome.failure) outcome.imagePath = "/img/202501212002-g16-b13.jpg";
    return outcome;
}

// The value of one sample of the metrics, as text.
QString MetricsSample(const StationStatus& status, const QString& name) {
    StationFacts facts;
    facts.snapshot = status.Snapshot();
    facts.now = kNow;
    const QString text = QString::fromUtf8(StationMetrics(facts));
    for (const QString& line : text.split(u'\n'))
        if (line.startsWith(name + u' ')) return line.mid(name.size() + 1);
    return {};
}

} // namespace

TEST(StationStatus, AFailedFileStaysUntilProcessedOrNoLongerReported) {
    StationStatus status("g16", "1.0.0", kNow);
    const QString damaged = "/in/damaged.nc", gone = "/in/gone.nc";
    status.ScanStarted(kNow);
    status.AddOutcome(Outcome(damaged, Failure{FailureCode::NotNetCdf, "not a netCDF file"}), kNow);
    status.AddOutcome(Outcome(gone, Failure{FailureCode::DamagedNetCdf, "damaged"}), kNow);
    status.ScanEnded(kNow, {}, true);
    ASSERT_EQ(status.Snapshot()->staying.size(), 2);
    EXPECT_EQ(status.Snapshot()->staying.value(damaged).reason, "failed: not a netCDF file");

    // The next scan reports only the damaged file; a scan that Stop cut short forgets nothing.
    status.ScanStarted(kNow.addSecs(60));
    status.AddOutcome(Outcome(damaged, Failure{FailureCode::NotNetCdf, "not a netCDF file"}),
                      kNow.addSecs(60));
    status.ScanEnded(kNow.addSecs(60), {}, false);
    EXPECT_EQ(status.Snapshot()->staying.size(), 2);
    status.ScanStarted(kNow.addSecs(120));
    status.AddOutcome(Outcome(damaged, Failure{FailureCode::NotNetCdf, "not a netCDF file"}),
                      kNow.addSecs(120));
    status.ScanEnded(kNow.addSecs(120), {}, true);
    EXPECT_EQ(status.Snapshot()->staying.keys(), QStringList{damaged});
    EXPECT_EQ(status.Snapshot()->staying.value(damaged).since, kNow);

    status.AddOutcome(Outcome(damaged, std::nullopt), kNow.addSecs(180));
    const std::shared_ptr<const StationSnapshot> snapshot = status.Snapshot();
    EXPECT_TRUE(snapshot->staying.isEmpty());
    EXPECT_EQ(snapshot->counts.failed, 2) << "each failing file once, however often reported";
    EXPECT_EQ(snapshot->counts.processed, 1);
    EXPECT_EQ(snapshot->bands[0].path, "/img/202501212002-g16-b13.jpg");
}

TEST(StationStatus, TheLogKeepsItsNewestLinesWithFailuresMarked) {
    StationStatus status("g16", "1.0.0", kNow);
    const std::shared_ptr<const StationSnapshot> before = status.Snapshot();
    QStringList lines;
    for (int line = 0; line < kPageLogLines; ++line)
        lines << QString("2025-01-21 20:02:07      line %1").arg(line);
    status.AddLogLines(lines);
    status.AddLogLines({"2025-01-21 20:02:08      x.nc failed: not a netCDF file",
                        "2025-01-21 20:02:09      x.nc not deleted: Permission denied",
                        "2025-01-21 20:02:10      Processed  2025-01-21 2000  band B13"});
    const QList<LogEntry>& log = status.Snapshot()->log;
    ASSERT_EQ(log.size(), kPageLogLines);
    EXPECT_EQ(log.first().line, "2025-01-21 20:02:07      line 3");
    EXPECT_FALSE(log.first().failure);
    EXPECT_TRUE(log[kPageLogLines - 3].failure);
    EXPECT_TRUE(log[kPageLogLines - 2].failure);
    EXPECT_FALSE(log.last().failure);
    EXPECT_TRUE(before->log.isEmpty()) << "a published snapshot changed";
}

TEST(StationStatus, AFailingFileCountsOnceUntilItChangesOrIsProcessed) {
    StationStatus status("g16", "1.0.0", kNow);
    const QString path = "/in/damaged.nc";
    const Failure damaged{FailureCode::DamagedNetCdf, "damaged"};
    const FileIdentity first{1, 100, 5000, 1, 1, 0644};
    FileIdentity changed = first;
    changed.size = 6000;
    // What each scan reports of the file, and the failed count and staying files after it.
    struct Step {
        FileOutcome outcome;
        int failed;
        int staying;
    };
    const std::vector<Step> steps = {
        {Outcome(path, damaged, first), 1, 1},        {Outcome(path, damaged, first), 1, 1},
        {Outcome(path, damaged, changed), 2, 1},      {Outcome(path, damaged, changed), 2, 1},
        {Outcome(path, std::nullopt, changed), 2, 0}, {Outcome(path, damaged, changed), 3, 1},
    };
    for (std::size_t scan = 0; scan < steps.size(); ++scan) {
        const QDateTime at = kNow.addSecs(60 * qint64(scan));
        status.ScanStarted(at);
        status.AddOutcome(steps[scan].outcome, at);
        status.ScanEnded(at, {}, true);
        EXPECT_EQ(status.Snapshot()->counts.failed, steps[scan].failed) << "scan " << scan;
        EXPECT_EQ(MetricsSample(status, "stratolux_files_failed_total"), QString::number(steps[scan].failed))
            << "scan " << scan;
        EXPECT_EQ(MetricsSample(status, "stratolux_staying_files"), QString::number(steps[scan].staying))
            << "scan " << scan;
    }
    EXPECT_EQ(status.Snapshot()->counts.processed, 1);
}

TEST(StationStatus, AStayingFileKeepsTheTimeAnEarlierRunFirstReportedIt) {
    const QDateTime earlier = kNow.addDays(-3);
    const QString damaged = "/in/damaged.nc", unseen = "/in/unseen.nc", gone = "/in/gone.nc";
    StationStatus status("g16", "1.0.0", kNow, {{damaged, earlier}, {unseen, earlier}, {gone, earlier}});
    EXPECT_TRUE(status.Snapshot()->staying.isEmpty()) << "nothing is shown before a scan reports it";

    // A scan that Stop cut short has not yet looked at every file: what it did not report is still kept.
    status.ScanStarted(kNow);
    status.AddOutcome(Outcome(damaged, Failure{FailureCode::NotNetCdf, "not a netCDF file"}), kNow);
    status.ScanEnded(kNow, {}, false);
    EXPECT_EQ(status.Snapshot()->staying.value(damaged).since, earlier);
    EXPECT_EQ(status.Since(), (StayingSince{{damaged, earlier}, {unseen, earlier}, {gone, earlier}}));

    status.ScanStarted(kNow.addSecs(60));
    status.AddOutcome(Outcome(damaged, Failure{FailureCode::NotNetCdf, "not a netCDF file"}), kNow);
    status.AddOutcome(Outcome(unseen, Failure{FailureCode::NotNetCdf, "not a netCDF file"}), kNow);
    status.ScanEnded(kNow.addSecs(60), {}, true);
    EXPECT_EQ(status.Since(), (StayingSince{{damaged, earlier}, {unseen, earlier}}));
    EXPECT_EQ(status.Snapshot()->staying.value(unseen).since, earlier);
}

TEST(StationStatus, AnImageKeepsHowWholeItIsUntilAnotherTakesItsPlace) {
    StationStatus status("g16", "1.0.0", kNow);
    FileOutcome incomplete = Outcome("/in/b13.nc", std::nullopt);
    incomplete.name = DecodeAbiFileName("OR_ABI-L1b-RadF-M6C13_G16_s20250212002045_e2_c3.nc");
    incomplete.completeness.gridPixels = 100;
    incomplete.completeness.validPixels = 40;
    incomplete.completeness.missingPixels = 10;
    incomplete.incomplete = true;
    status.AddOutcome(incomplete, kNow);
    const BandImage& shown = status.Snapshot()->bands[12];
    EXPECT_EQ(shown.completeness.Percent(), 80.0);
    EXPECT_TRUE(shown.incomplete);
    EXPECT_EQ(status.Snapshot()->counts.incomplete, 1);

    // The same image restored keeps its figure; an image of an earlier run is not known.
    status.SetImage(12, incomplete.imagePath, "restored", QImage());
    EXPECT_TRUE(status.Snapshot()->bands[12].incomplete);
    status.SetImage(12, "/img/202501211950-g16-b13.jpg", "restored", QImage());
    EXPECT_EQ(status.Snapshot()->bands[12].completeness.Percent(), std::nullopt);
    EXPECT_FALSE(status.Snapshot()->bands[12].incomplete);
}
