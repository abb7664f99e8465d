// Retention: old files of the program's own names go from the image and netCDF folders and their dated
// sub-folders; newer files, other names, LastSaved images, links and the source folder stay.
#include "Retention.h"
#include "Leftovers.h"
#include "ProcessingFixture.h"
#include "RetentionRun.h"
#include "TestFiles.h"

#include <QFile>
#include <QFileInfo>

namespace {

const QDateTime kNow(QDate(2025, 3, 1), QTime(12, 0), Qt::UTC);

// A file of `size` bytes last modified `ageDays` before kNow, with its folders.
void Place(const QString& path, double ageDays, int size = 100) {
    ASSERT_TRUE(QDir().mkpath(QFileInfo(path).path()));
    ASSERT_TRUE(WriteWholeFile(path, QByteArray(size, 'x')));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadWrite));
    ASSERT_TRUE(
        file.setFileTime(kNow.addMSecs(qint64(-ageDays * 86400000)), QFileDevice::FileModificationTime));
}

} // namespace

class RetentionTest : public ProcessingFixture {
protected:
    RetentionRequest Request(int imagesDays, int netCdfDays) const {
        return {images, netCdf, source, {imagesDays, netCdfDays}, {}, kNow};
    }
};

TEST_F(RetentionTest, OldFilesOfTheProgramsNamesGoAndEverythingElseStays) {
    struct Case {
        QString path;
        double ageDays;
        bool gone;
    };
    const QString long13 = "OR_ABI-L1b-RadF-M6C13_G16_s20250400000000_e1_c1";
    const std::vector<Case> cases = {
        {images + "202502011200-g16-b13.png", 10, true},
        {images + "202502011200-g19-b02.jpg", 7.01, true},
        {images + "202502221200-g16-b13.png", 6.99, false},
        {images + "notes.txt", 100, false},
        {images + "202502011200-g16-b17.png", 100, false},
        {images + "202502011200-g20-b13.png", 100, false},
        {images + "202502301200-g16-b13.png", 100, false},
        {images + "202502011200-G16-B13.PNG", 100, false},
        {images + "202502011200-g16-b13.png.bak", 100, false},
        {images + long13 + ".nc", 100, false}, // archived files are kept only in the netCDF folder
        {images + "2025/01/15/202501151200-g16-b13.jpg", 45, true},
        {images + "2025/02/26/202502261200-g16-b13.jpg", 3, false},
        {images + "2025/02/20/notes.txt", 40, false},
        {images + "other/202501011200-g16-b13.png", 100, false},
        {netCdf + long13 + ".nc", 31, true},
        {netCdf + long13 + ".png", 8, true},
        {netCdf + "OR_ABI-L1b-RadF-M6C13_G16_s20250500000000_e1_c1.NC", 40, true},
        {netCdf + "OR_ABI-L1b-RadF-M6C13_G16_s20250500000000_e1_c1.nc", 29, false},
        {netCdf + "IR_ABI-L2-CMIPF-M6C13_G16_s20250100000000_e1_c1.nc", 100, false},
        {netCdf + "OR_ABI-L1b-RadC-M6C13_G16_s20250100000000_e1_c1.nc", 100, false},
        {netCdf + "2024/12/31/" + long13 + ".nc", 60, true},
    };
    int goneCount = 0;
    qint64 goneBytes = 0;
    for (std::size_t i = 0; i < cases.size(); ++i) {
        Place(cases[i].path, cases[i].ageDays, 100 + int(i));
        if (cases[i].gone) ++goneCount, goneBytes += 100 + int(i);
    }

    const RetentionOutcome outcome = ApplyRetention(Request(7, 30));
    for (const Case& c : cases) EXPECT_EQ(QFile::exists(c.path), !c.gone) << qPrintable(c.path);
    EXPECT_EQ(outcome.filesRemoved, goneCount);
    EXPECT_EQ(outcome.bytesRemoved, goneBytes);
    EXPECT_TRUE(outcome.failures.empty());
    // Dated folders left empty go once their whole period is that old; those still holding anything stay.
    EXPECT_FALSE(QFileInfo::exists(images + "2025/01"));
    EXPECT_FALSE(QFileInfo::exists(netCdf + "2024"));
    EXPECT_TRUE(QFileInfo::exists(images + "2025/02/20"));
}

TEST_F(RetentionTest, GeoTiffsOfTheProgramsNamesAreImagesAndTheirTemporaryFilesLeftovers) {
    const QString long13 = "OR_ABI-L1b-RadF-M6C13_G16_s20250400000000_e1_c1";
    const QStringList gone = {images + "202502011200-g16-b13.tif", netCdf + long13 + ".tif"};
    const QStringList staying = {images + "202502011200-g16-b13.tiff", images + "notes.tif",
                                 images + "202502011200-g16-b13.TIF"};
    for (const QString& path : gone + staying) Place(path, 10);
    EXPECT_EQ(ApplyRetention(Request(7, 30)).filesRemoved, gone.size());
    for (const QString& path : gone) EXPECT_FALSE(QFile::exists(path)) << qPrintable(path);
    for (const QString& path : staying) EXPECT_TRUE(QFile::exists(path)) << qPrintable(path);

    const QString leftover = images + ".202502011200-g16-b13.tif.partial",
                  foreign = images + ".notes.tif.partial";
    Place(leftover, 1);
    Place(foreign, 1);
    // Leftovers are those changed before the program started.
    EXPECT_EQ(RemoveLeftovers({images}, source, QDateTime::currentDateTimeUtc().addSecs(60)).filesRemoved, 1);
    EXPECT_FALSE(QFile::exists(leftover));
    EXPECT_TRUE(QFile::exists(foreign));
}

TEST_F(RetentionTest, LastSavedImagesStayHoweverOld) {
    const QString lastSaved = images + "2025/01/15/202501151200-g16-b13.jpg";
    const QString older = images + "2025/01/15/202501151150-g16-b13.jpg";
    Place(lastSaved, 45);
    Place(older, 45);
    RetentionRequest request = Request(7, 0);
    request.protectedPaths = {root.filePath("images/./2025/01/15/202501151200-g16-b13.jpg"), QString()};
    EXPECT_EQ(ApplyRetention(request).filesRemoved, 1);
    EXPECT_TRUE(QFile::exists(lastSaved));
    EXPECT_FALSE(QFile::exists(older));
}

TEST_F(RetentionTest, OneFolderForImagesAndArchivedFilesFollowsEachKindsOwnDays) {
    const QString image = images + "202502011200-g16-b13.png";
    const QString archived = images + "OR_ABI-L1b-RadF-M6C13_G16_s20250320000000_e1_c1.nc";
    netCdf = root.filePath("images"); // the same folder, spelled without its separator
    for (const auto& [keep, imageGone, archivedGone] :
         {std::tuple{RetentionDays{7, 0}, true, false}, std::tuple{RetentionDays{0, 7}, false, true}}) {
        Place(image, 30);
        Place(archived, 30);
        RetentionRequest request = Request(keep.images, keep.netCdf);
        EXPECT_EQ(ApplyRetention(request).filesRemoved, 1);
        EXPECT_EQ(QFile::exists(image), !imageGone);
        EXPECT_EQ(QFile::exists(archived), !archivedGone);
    }
}

TEST_F(RetentionTest, MissingFoldersHaveNothingToRemove) {
    images = root.filePath("absent/images/");
    netCdf = root.filePath("absent/archive/");
    const RetentionOutcome outcome = ApplyRetention(Request(1, 1));
    EXPECT_EQ(outcome.filesRemoved, 0);
    EXPECT_TRUE(outcome.failures.empty());
}

TEST_F(RetentionTest, SymbolicLinksAreNeverFollowed) {
    const QString outside = root.filePath("outside/");
    const QString linkedImage = outside + "202501151200-g16-b13.png";
    Place(linkedImage, 45);
    Place(images + "2025/01/16/202501161200-g16-b13.png", 45);
    ASSERT_TRUE(QFile::link(outside, images + "2025/01/15"));
    ASSERT_TRUE(QFile::link(linkedImage, images + "202501151200-g16-b02.png"));
    EXPECT_EQ(ApplyRetention(Request(7, 0)).filesRemoved, 1);
    EXPECT_TRUE(QFile::exists(linkedImage));
    EXPECT_TRUE(QFileInfo(images + "2025/01/15").isSymLink());
    EXPECT_TRUE(QFileInfo(images + "202501151200-g16-b02.png").isSymLink());
}

TEST_F(RetentionTest, SourceFolderIsLeftAloneAndThatIsSaidOnce) {
    const QString received = source + "202502011200-g16-b13.png";
    Place(received, 30);
    options.savePath = source;
    options.keep = {7, 0};
    RetentionRun retention;
    const QString notice = "Old files are not removed from " + QFileInfo(source).canonicalFilePath() +
                           ": it is the source folder";
    EXPECT_EQ(retention.AfterScan(options, kNow), QList<LogLine>({{notice, LogSeverity::Warning}}));
    EXPECT_TRUE(retention.AfterScan(options, kNow).isEmpty());
    EXPECT_TRUE(QFile::exists(received));
}

TEST_F(RetentionTest, ScanRemovesOldImagesAfterItsFilesButNotTheBandsNewest) {
    // The files are of 2024, so their images are older than any number of days at once.
    const QDateTime later = DefaultStart().addSecs(600);
    Receive(13);
    Receive(13, 16, later);
    options.keep = {1, 0};
    const QList<QList<QVariant>> reported = ScanAndCollect(&ScanWorker::FoldersReported);

    const QString dated = images + "2024/01/02/";
    EXPECT_FALSE(QFile::exists(dated + "202401021230-g16-b13.jpg"));
    EXPECT_TRUE(QFile::exists(dated + "202401021240-g16-b13.jpg"));
    ASSERT_EQ(reported.size(), 1);
    const QStringList lines = LineTexts(reported[0][0]);
    ASSERT_EQ(lines.size(), 1);
    EXPECT_TRUE(lines[0].startsWith("Removed 1 old file (")) << qPrintable(lines[0]);
    EXPECT_TRUE(lines[0].endsWith("): images older than 1 day")) << qPrintable(lines[0]);
}
