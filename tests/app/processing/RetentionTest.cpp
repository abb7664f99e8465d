// Retention: the files of this instance's own names that it wrote long ago go from the image and netCDF
// folders and their dated sub-folders; files written lately (whatever scan they show), other names, another
// satellite's files, the bands' newest images, links and the source folder stay.
#include "Retention.h"
#include "Leftovers.h"
#include "ProcessingFixture.h"
#include "RetentionRun.h"
#include "TestFiles.h"

#include <QFile>
#include <QFileInfo>
#include <QSet>

namespace {

constexpr qint64 kMsPerDay = 86400000;

// A file of `size` bytes written now, with its folders, its modification time set two years back as the
// program sets an image's to its scan's nominal time: the age of a file must not be read from it.
void Place(const QString& path, int size = 100) {
    ASSERT_TRUE(QDir().mkpath(QFileInfo(path).path()));
    ASSERT_TRUE(WriteWholeFile(path, QByteArray(size, 'x')));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadWrite));
    ASSERT_TRUE(
        file.setFileTime(QDateTime::currentDateTimeUtc().addYears(-2), QFileDevice::FileModificationTime));
}

// The time `days` after now: files written now are that old then.
QDateTime DaysLater(double days) {
    return QDateTime::currentDateTimeUtc().addMSecs(static_cast<qint64>(days * kMsPerDay));
}

const QString kLong13 = "OR_ABI-L1b-RadF-M6C13_G16_s20250400000000_e1_c1";

} // namespace

class RetentionTest : public ProcessingFixture {
protected:
    // A sweep of the fixture's folders as a GOES-16 instance runs it, `daysLater` days from now.
    RetentionRequest Request(int imagesDays, int netCdfDays, double daysLater) const {
        return {.imageFolder = images,
                .netCdfFolder = netCdf,
                .sourceFolder = source,
                .keep = {imagesDays, netCdfDays},
                .satellite = 1,
                .save19As16 = true,
                .protectedPaths = {},
                .now = DaysLater(daysLater)};
    }
};

TEST_F(RetentionTest, OldFilesOfTheProgramsNamesGoAndEverythingElseStays) {
    // When each goes, images being kept 7 days and archived files 30: at the first sweep, 7.01 days after
    // they were written, at the second, 30.01 days after, or never.
    enum Gone { Never, AtFirst, AtSecond };
    struct Case {
        QString path;
        Gone gone;
    };
    const std::vector<Case> cases = {
        {images + "202502011200-g16-b13.png", AtFirst},
        {images + "202502221200-g16-b02.jpg", AtFirst},
        {images + "notes.txt", Never},
        {images + "202502011200-g16-b17.png", Never},
        {images + "202502011200-g20-b13.png", Never},
        {images + "202502301200-g16-b13.png", Never},
        {images + "202502011200-G16-B13.PNG", Never},
        {images + "202502011200-g16-b13.png.bak", Never},
        {images + kLong13 + ".nc", Never}, // archived files are kept only in the netCDF folder
        {images + "2025/01/15/202501151200-g16-b13.jpg", AtFirst},
        {images + "2025/02/26/202502261200-g16-b13.jpg", AtFirst},
        {images + "2025/02/20/notes.txt", Never},
        {images + "other/202501011200-g16-b13.png", Never},
        {netCdf + kLong13 + ".nc", AtSecond},
        {netCdf + kLong13 + ".png", AtFirst},
        {netCdf + "OR_ABI-L1b-RadF-M6C13_G16_s20250500000000_e1_c1.NC", AtSecond},
        {netCdf + "IR_ABI-L2-CMIPF-M6C13_G16_s20250100000000_e1_c1.nc", Never},
        {netCdf + "OR_ABI-L1b-RadC-M6C13_G16_s20250100000000_e1_c1.nc", Never},
        {netCdf + "2024/12/31/" + kLong13 + ".nc", AtSecond},
    };
    for (std::size_t i = 0; i < cases.size(); ++i) Place(cases[i].path, 100 + int(i));
    // An empty dated folder that the sweep did not empty, as another program may have made it.
    ASSERT_TRUE(QDir().mkpath(images + "2023/05/06"));

    EXPECT_EQ(ApplyRetention(Request(7, 30, 6.99)).filesRemoved, 0) << "written less than 7 days ago";
    for (const Gone sweep : {AtFirst, AtSecond}) {
        int goneCount = 0;
        qint64 goneBytes = 0;
        for (std::size_t i = 0; i < cases.size(); ++i)
            if (cases[i].gone == sweep) ++goneCount, goneBytes += 100 + int(i);
        const RetentionOutcome outcome = ApplyRetention(Request(7, 30, sweep == AtFirst ? 7.01 : 30.01));
        for (const Case& c : cases)
            EXPECT_EQ(QFile::exists(c.path), c.gone == Never || c.gone > sweep)
                << qPrintable(c.path) << " at sweep " << sweep;
        EXPECT_EQ(outcome.filesRemoved, goneCount);
        EXPECT_EQ(outcome.bytesRemoved, goneBytes);
        EXPECT_TRUE(outcome.failures.empty());
    }
    // Dated folders that the sweep emptied go; those still holding anything, or empty before, stay.
    EXPECT_FALSE(QFileInfo::exists(images + "2025/01"));
    EXPECT_FALSE(QFileInfo::exists(images + "2025/02/26"));
    EXPECT_FALSE(QFileInfo::exists(netCdf + "2024"));
    EXPECT_TRUE(QFileInfo::exists(images + "2025/02/20"));
    EXPECT_TRUE(QFileInfo::exists(images + "2023/05/06"));
}

TEST_F(RetentionTest, GeoTiffsOfTheProgramsNamesAreImagesAndTheirTemporaryFilesLeftovers) {
    const QStringList gone = {images + "202502011200-g16-b13.tif", netCdf + kLong13 + ".tif"};
    const QStringList staying = {images + "202502011200-g16-b13.tiff", images + "notes.tif",
                                 images + "202502011200-g16-b13.TIF"};
    for (const QString& path : gone + staying) Place(path);
    EXPECT_EQ(ApplyRetention(Request(7, 30, 10)).filesRemoved, gone.size());
    for (const QString& path : gone) EXPECT_FALSE(QFile::exists(path)) << qPrintable(path);
    for (const QString& path : staying) EXPECT_TRUE(QFile::exists(path)) << qPrintable(path);

    const QString leftover = images + ".202502011200-g16-b13.tif.partial",
                  foreign = images + ".notes.tif.partial";
    Place(leftover);
    Place(foreign);
    // Leftovers are those changed before the program started.
    EXPECT_EQ(RemoveLeftovers({images}, source, QDateTime::currentDateTimeUtc().addSecs(60)).filesRemoved, 1);
    EXPECT_FALSE(QFile::exists(leftover));
    EXPECT_TRUE(QFile::exists(foreign));
}

TEST_F(RetentionTest, OnlyTheFilesOfTheInstancesOwnSatelliteGo) {
    const QStringList names = {
        images + "202502011200-g16-b13.png",
        images + "202502011200-g19-b13.png",
        images + "202502011200-g18-b13.jpg",
        netCdf + "OR_ABI-L1b-RadF-M6C13_G16_s20250400000000_e1_c1.jpg",
        netCdf + "OR_ABI-L1b-RadF-M6C13_G19_s20250400000000_e1_c1.jpg",
        netCdf + "OR_ABI-L1b-RadF-M6C13_G16_s20250400000000_e1_c1.nc",
        netCdf + "OR_ABI-L1b-RadF-M6C13_G19_s20250400000000_e1_c1.nc",
    };
    struct Case {
        SatelliteCode satellite;
        bool save19As16;
        QList<int> gone; // indexes into names
    };
    for (const Case& c : {Case{1, true, {0, 3, 5}}, Case{1, false, {0, 3, 5}}, Case{4, true, {0, 4, 6}},
                          Case{4, false, {1, 4, 6}}, Case{3, false, {2}}}) {
        for (const QString& name : names) Place(name);
        RetentionRequest request = Request(30, 30, 31);
        request.satellite = c.satellite;
        request.save19As16 = c.save19As16;
        EXPECT_EQ(ApplyRetention(request).filesRemoved, c.gone.size());
        for (int i = 0; i < names.size(); ++i)
            EXPECT_EQ(QFile::exists(names[i]), !c.gone.contains(i))
                << qPrintable(names[i]) << " for satellite " << int(c.satellite) << ", Save19as16 "
                << c.save19As16;
    }
}

TEST_F(RetentionTest, LastSavedImagesStayHoweverOldInEveryFormat) {
    const QString newest = images + "2025/01/15/202501151200-g16-b13";
    const QString older = images + "2025/01/15/202501151150-g16-b13";
    for (const QString& base : {newest, older})
        for (const char* suffix : {".jpg", ".png", ".tif"}) Place(base + suffix);
    options.keep = {7, 0};
    options.lastSaved[12] = root.filePath("images/./2025/01/15/202501151200-g16-b13.jpg");
    RetentionRun retention;
    retention.AfterScan(options, DaysLater(8));
    EXPECT_TRUE(QFile::exists(newest + ".jpg"));
    EXPECT_TRUE(QFile::exists(newest + ".png")) << "the PNG saved beside the band's newest JPEG";
    EXPECT_TRUE(QFile::exists(newest + ".tif")) << "the GeoTIFF saved beside the band's newest JPEG";
    for (const char* suffix : {".jpg", ".png", ".tif"}) EXPECT_FALSE(QFile::exists(older + suffix)) << suffix;
}

TEST_F(RetentionTest, OneFolderForImagesAndArchivedFilesFollowsEachKindsOwnDays) {
    const QString image = images + "202502011200-g16-b13.png";
    const QString archived = images + "OR_ABI-L1b-RadF-M6C13_G16_s20250320000000_e1_c1.nc";
    netCdf = root.filePath("images"); // the same folder, spelled without its separator
    for (const auto& [keep, imageGone, archivedGone] :
         {std::tuple{RetentionDays{7, 0}, true, false}, std::tuple{RetentionDays{0, 7}, false, true}}) {
        Place(image);
        Place(archived);
        EXPECT_EQ(ApplyRetention(Request(keep.images, keep.netCdf, 30)).filesRemoved, 1);
        EXPECT_EQ(QFile::exists(image), !imageGone);
        EXPECT_EQ(QFile::exists(archived), !archivedGone);
    }
}

TEST_F(RetentionTest, MissingFoldersHaveNothingToRemove) {
    images = root.filePath("absent/images/");
    netCdf = root.filePath("absent/archive/");
    const RetentionOutcome outcome = ApplyRetention(Request(1, 1, 2));
    EXPECT_EQ(outcome.filesRemoved, 0);
    EXPECT_TRUE(outcome.failures.empty());
}

TEST_F(RetentionTest, SymbolicLinksAreNeverFollowed) {
    const QString outside = root.filePath("outside/");
    const QString linkedImage = outside + "202501151200-g16-b13.png";
    Place(linkedImage);
    Place(images + "2025/01/16/202501161200-g16-b13.png");
    ASSERT_TRUE(QFile::link(outside, images + "2025/01/15"));
    ASSERT_TRUE(QFile::link(linkedImage, images + "202501151200-g16-b02.png"));
    EXPECT_EQ(ApplyRetention(Request(7, 0, 45)).filesRemoved, 1);
    EXPECT_TRUE(QFile::exists(linkedImage));
    EXPECT_TRUE(QFileInfo(images + "2025/01/15").isSymLink());
    EXPECT_TRUE(QFileInfo(images + "202501151200-g16-b02.png").isSymLink());
}

TEST_F(RetentionTest, SourceFolderIsLeftAloneAndThatIsSaidOnce) {
    const QString received = source + "202502011200-g16-b13.png";
    Place(received);
    options.savePath = source;
    options.keep = {7, 0};
    RetentionRun retention;
    const QString notice = "Old files are not removed from " + QFileInfo(source).canonicalFilePath() +
                           ": it is the source folder";
    EXPECT_EQ(retention.AfterScan(options, DaysLater(30)), QList<LogLine>({{notice, LogSeverity::Warning}}));
    EXPECT_TRUE(retention.AfterScan(options, DaysLater(30)).isEmpty());
    EXPECT_TRUE(QFile::exists(received));
}

TEST_F(RetentionTest, ScanRemovesOldImagesAfterItsFilesButNotTheBandsNewest) {
    // A backlog: scans of two years ago, as a receiver catching up after an outage delivers them.
    const QDateTime start(QDateTime::currentDateTimeUtc().addYears(-2).date(), QTime(12, 30, 20), Qt::UTC);
    Receive(13, 16, start);
    Receive(13, 16, start.addSecs(600));
    options.keep = {1, 0};
    options.saveAsPng = true;
    SharedOptions shared;
    shared.Publish(options);
    const std::atomic_bool running{true};
    QStringList made;
    const auto scanLines = [&](ScanWorker& worker) {
        QSignalSpy reported(&worker, &ScanWorker::FoldersReported);
        QSignalSpy files(&worker, &ScanWorker::FileReported);
        worker.RunScan();
        for (const QList<QVariant>& file : files) {
            const FileOutcome outcome = file[0].value<FileOutcome>();
            EXPECT_TRUE(outcome.Processed());
            made << outcome.imagePath.chopped(4) + ".png" << outcome.imagePath;
        }
        QStringList lines;
        for (const QList<QVariant>& report : reported) lines << LineTexts(report[0]);
        return lines;
    };
    const auto exist = [&] {
        QStringList existing;
        for (const QString& image : made)
            if (QFile::exists(image)) existing << image;
        return existing;
    };

    ScanWorker firstRun(shared, running);
    EXPECT_EQ(scanLines(firstRun), QStringList());
    ASSERT_EQ(made.size(), 4);
    EXPECT_EQ(exist(), made) << "every image of the backlog scan, minutes old";

    // A second start: a new run, which has not seen these images made.
    ScanWorker secondRun(shared, running);
    secondRun.CheckFoldersAtStart();
    EXPECT_EQ(scanLines(secondRun), QStringList());
    EXPECT_EQ(exist(), made);

    // Two days on, the images written then are older than a day: the older scan's go, the band's newest
    // stays in both formats.
    options.lastSaved[12] = made.last();
    shared.Publish(options);
    ScanWorker later(shared, running);
    later.clock = [] { return DaysLater(2); };
    const QStringList lines = scanLines(later);
    EXPECT_EQ(exist(), made.mid(2));
    ASSERT_EQ(lines.size(), 1);
    EXPECT_TRUE(lines[0].startsWith("Removed 2 old files (")) << qPrintable(lines[0]);
    EXPECT_TRUE(lines[0].endsWith("): images older than 1 day")) << qPrintable(lines[0]);
}
