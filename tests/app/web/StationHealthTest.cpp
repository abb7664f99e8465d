// The verdict on the station's health, from the facts of one request, and the metric that carries it.
#include "StationFacts.h"
#include "StationMetrics.h"
#include "TestFiles.h"

#include <QDir>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <functional>
#include <gtest/gtest.h>

namespace {

constexpr int kB13 = 12;
const QDateTime kNow = QDateTime::fromString("2025-01-21T20:40:00Z", Qt::ISODate);

// A station that runs well: started two hours ago, B13 ticked with an image of 10 minutes ago in a
// 10-minute mode, the last file processed 5 minutes ago, every folder's 100 GB half free.
struct Station {
    StationSnapshot snapshot;
    std::optional<ImageFile> b13 = ImageFile{"202501212030-g16-b13.jpg", kNow.addSecs(-10 * 60), 1000};
    int cycleMinutes = 10;
    qint64 freeBytes = 50'000'000'000, totalBytes = 100'000'000'000;
    std::vector<FolderWarning> folderProblems;
    qsizetype waitingFiles = 0;

    Station() {
        snapshot.running = true;
        snapshot.started = kNow.addSecs(-2 * 3600);
        snapshot.lastProcessed = kNow.addSecs(-5 * 60);
    }
    StationFacts Facts() const {
        StationFacts facts;
        facts.snapshot = std::make_shared<const StationSnapshot>(snapshot);
        facts.now = kNow;
        facts.ticked[kB13] = true;
        facts.images[kB13] = b13;
        facts.scans[kB13].cycleMinutes = cycleMinutes;
        for (const char* role : {"source", "netcdf", "images"})
            facts.folders.push_back(
                {role, QString("/data/") + role + "/", FolderSpace{freeBytes, totalBytes}});
        facts.folderProblems = folderProblems;
        facts.waitingFiles = waitingFiles;
        facts.health = JudgeHealth(facts);
        return facts;
    }
};

QString MetricsSample(const StationFacts& facts, const QString& name) {
    for (const QString& line : QString::fromUtf8(StationMetrics(facts)).split(u'\n'))
        if (line.startsWith(name + u' ')) return line.mid(name.size() + 1);
    return {};
}

} // namespace

TEST(StationHealth, EachProblemMovesTheVerdictAndTheMetric) {
    struct Case {
        const char* what;
        std::function<void(Station&)> change;
        Health health;
        QStringList problems;
    };
    const std::vector<Case> cases = {
        {"all well", [](Station&) {}, Health::Ok, {}},
        {"a file stays",
         [](Station& s) {
             s.snapshot.staying.insert("/data/source/x.nc", {"failed: damaged", kNow});
         },
         Health::Warning,
         {"1 file stays in the source folder."}},
        {"two files stay",
         [](Station& s) {
             s.snapshot.staying.insert("/data/source/x.nc", {"failed: damaged", kNow});
             s.snapshot.staying.insert("/data/source/y.nc", {"not deleted: Permission denied", kNow});
         },
         Health::Warning,
         {"2 files stay in the source folder."}},
        {"B13 31 min old in a 10-minute mode",
         [](Station& s) { s.b13->time = kNow.addSecs(-31 * 60); },
         Health::Warning,
         {"No image newer than 30 min: B13."}},
        {"B13 30 min old in a 10-minute mode",
         [](Station& s) { s.b13->time = kNow.addSecs(-30 * 60); },
         Health::Ok,
         {}},
        {"B13 40 min old in a 15-minute mode",
         [](Station& s) {
             s.b13->time = kNow.addSecs(-40 * 60);
             s.cycleMinutes = 15;
         },
         Health::Ok,
         {}},
        {"B13 without an image an hour after the start",
         [](Station& s) { s.b13.reset(); },
         Health::Warning,
         {"No image newer than 30 min: B13."}},
        {"B13 without an image 20 min after the start",
         [](Station& s) {
             s.b13.reset();
             s.snapshot.started = kNow.addSecs(-20 * 60);
         },
         Health::Ok,
         {}},
        {"4.9 % free",
         [](Station& s) { s.freeBytes = 4'900'000'000; },
         Health::Warning,
         {"Source folder /data/source/ has only 4.9 GB free of 100.0 GB.",
          "NetCDF folder /data/netcdf/ has only 4.9 GB free of 100.0 GB.",
          "Image folder /data/images/ has only 4.9 GB free of 100.0 GB."}},
        {"5 % free", [](Station& s) { s.freeBytes = 5'000'000'000; }, Health::Ok, {}},
        {"processing stopped",
         [](Station& s) { s.snapshot.running = false; },
         Health::Failing,
         {"Processing is stopped."}},
        {"a folder missing",
         [](Station& s) {
             s.folderProblems = {{"Image folder /data/images/", "is missing"}};
         },
         Health::Failing,
         {"Image folder /data/images/ is missing."}},
        {"a folder not made yet, made for the first file",
         [](Station& s) {
             s.folderProblems = {
                 {"Image folder /data/images/", "is missing: it is created for the first file", true}};
         },
         Health::Ok,
         {}},
        {"a folder unwritable",
         [](Station& s) {
             s.folderProblems = {{"NetCDF folder /data/netcdf/", "cannot be written: Permission denied"}};
         },
         Health::Failing,
         {"NetCDF folder /data/netcdf/ cannot be written: Permission denied."}},
        {"files wait, nothing processed for an hour",
         [](Station& s) {
             s.waitingFiles = 3;
             s.snapshot.lastProcessed = kNow.addSecs(-3600);
         },
         Health::Failing,
         {"Nothing processed since 2025-01-21 19:40:00 UTC, yet 3 files wait in the source folder."}},
        {"files wait, nothing processed since a start an hour ago",
         [](Station& s) {
             s.waitingFiles = 1;
             s.snapshot.lastProcessed = {};
             s.snapshot.started = kNow.addSecs(-3600);
             s.b13.reset();
         },
         Health::Failing,
         {"Nothing processed since the start at 2025-01-21 19:40:00 UTC, yet 1 file waits in the source "
          "folder.",
          "No image newer than 30 min: B13."}},
        {"files wait, the last processed 59 min ago",
         [](Station& s) {
             s.waitingFiles = 3;
             s.snapshot.lastProcessed = kNow.addSecs(-59 * 60);
         },
         Health::Ok,
         {}},
        {"stopped while a file stays: the failure first",
         [](Station& s) {
             s.snapshot.staying.insert("/data/source/x.nc", {"failed: damaged", kNow});
             s.snapshot.running = false;
         },
         Health::Failing,
         {"Processing is stopped.", "1 file stays in the source folder."}},
    };
    for (const Case& test : cases) {
        Station station;
        test.change(station);
        const StationFacts facts = station.Facts();
        EXPECT_EQ(facts.health.health, test.health) << test.what;
        EXPECT_EQ(facts.health.problems, test.problems) << test.what;
        EXPECT_EQ(MetricsSample(facts, "stratolux_health"), QString::number(int(test.health))) << test.what;
    }
}

TEST(StationHealth, TheMetricIsAGaugeWithItsHelp) {
    const QString metrics = QString::fromUtf8(StationMetrics(Station().Facts()));
    EXPECT_TRUE(
        metrics.contains(QRegularExpression("\n# HELP stratolux_health [^\n]*0 ok, 1 warning, 2 failing")))
        << qPrintable(metrics);
    EXPECT_TRUE(metrics.contains("\n# TYPE stratolux_health gauge\nstratolux_health 0\n"));
}

TEST(StationHealth, AMissingSourceFolderAndWaitingFilesAreFoundOnDisk) {
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    ProcessingOptions options;
    options.sourcePath = folder.filePath("received") + "/";
    options.netCdfPath = options.savePath = folder.filePath("images") + "/";
    auto snapshot = std::make_shared<StationSnapshot>();
    snapshot->running = true;
    snapshot->started = kNow;
    EXPECT_EQ(GatherFacts(snapshot, options, kNow).health.problems,
              QStringList{"Source folder " + options.sourcePath + " is missing."});

    ASSERT_TRUE(QDir().mkpath(options.sourcePath));
    for (const char* name : {"OR_ABI-L1b-RadF-M6C13_G16_s20250212000204_e1_c2.nc",
                             "OR_ABI-L1b-RadF-M6C07_G16_s20250212000204_e1_c2.nc",
                             "OR_ABI-L1b-RadF-M6C13_G18_s20250212000204_e1_c2.nc"})
        ASSERT_TRUE(WriteWholeFile(options.sourcePath + name, "x"));
    const StationFacts facts = GatherFacts(snapshot, options, kNow.addSecs(3600));
    EXPECT_EQ(facts.waitingFiles, 2) << "the files of the selected satellite";
    EXPECT_EQ(facts.health.health, Health::Failing);
    EXPECT_EQ(facts.health.problems.value(0),
              "Nothing processed since the start at 2025-01-21 20:40:00 UTC, yet 2 files wait in the source "
              "folder.");

    // A file that stays with its reason waits for the operator, not for processing.
    snapshot->staying.insert(options.sourcePath + "OR_ABI-L1b-RadF-M6C07_G16_s20250212000204_e1_c2.nc",
                             {"damaged", kNow});
    EXPECT_EQ(GatherFacts(snapshot, options, kNow.addSecs(3600)).waitingFiles, 1);
    snapshot->staying.insert(options.sourcePath + "OR_ABI-L1b-RadF-M6C13_G16_s20250212000204_e1_c2.nc",
                             {"damaged", kNow});
    EXPECT_NE(GatherFacts(snapshot, options, kNow.addSecs(3600)).health.health, Health::Failing);
}
