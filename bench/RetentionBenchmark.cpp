// Retention benchmark: the time of the sweep that follows every scan, over an image folder of about 10,000
// images in dated sub-folders (35 days of nine scans of sixteen bands, PNG and JPEG), kept for 30 days: the
// first sweep, which removes five days, and the sweeps after it, which find nothing to remove. A file's age
// is its change time, which cannot be set back: the first five days are written first, and the sweeps run
// as if 30 days had passed since then.
//   retention_benchmark WORK_FOLDER [RUNS]
#include "BenchMain.h"
#include "OutputNames.h"
#include "Retention.h"
#include "Timing.h"
#include "Verdict.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QThread>
#include <cstdio>
#include <cstdlib>

namespace {

constexpr int kDays = 35;
constexpr int kScansPerDay = 9;
const QDateTime kFirstDay(QDate(2025, 1, 1), QTime(0, 0), Qt::UTC);

constexpr int kDaysRemoved = 5;

// Writes the images of the days from `first` up to `end`; the number of files.
int WriteImages(const QString& folder, int first, int end) {
    int files = 0;
    for (int day = first; day < end; ++day)
        for (int scan = 0; scan < kScansPerDay; ++scan) {
            const QDateTime start = kFirstDay.addDays(day).addSecs(scan * 600);
            const TDateTime startTime = DateTimeFromQDateTime(start);
            const QString dated = folder + DatedSubFolder(startTime);
            QDir().mkpath(dated);
            for (int band = 0; band < kBandCount; ++band)
                for (const char* suffix : {".png", ".jpg"}) {
                    QFile file(dated + ShortImageBaseName(startTime, 1, true, band) + suffix);
                    if (!file.open(QIODevice::WriteOnly) || file.write("x") != 1 || !file.flush() ||
                        !file.setFileTime(start, QFileDevice::FileModificationTime))
                        return -1;
                    ++files;
                }
        }
    return files;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const BenchArguments args(argc, argv, "WORK_FOLDER [RUNS]");
    if (args.Count() < 1) return args.Usage();
    const QString folder = QDir(args[1]).filePath("images") + "/";
    const int runs = args.NumberOr(2, 5);
    QDir(folder).removeRecursively();
    const int older = WriteImages(folder, 0, kDaysRemoved);
    const QDateTime olderWritten = QDateTime::currentDateTimeUtc().addMSecs(1);
    // Past the file system's clock tick, so that every later file is newer.
    QThread::msleep(50);
    const int newer = WriteImages(folder, kDaysRemoved, kDays);
    if (older < 0 || newer < 0) {
        std::fprintf(stderr, "cannot write the images into %s\n", qPrintable(folder));
        return 1;
    }
    const int files = older + newer;

    const RetentionRequest request{.imageFolder = folder,
                                   .netCdfFolder = QString(),
                                   .sourceFolder = QString(),
                                   .keep = {30, 0},
                                   .satellite = 1,
                                   .save19As16 = true,
                                   .protectedPaths = {},
                                   .now = olderWritten.addDays(30)};
    RetentionOutcome first;
    const double firstSeconds = Seconds([&] { first = ApplyRetention(request); });
    int removedLater = 0;
    const double laterSeconds =
        MedianSeconds(runs, [&] { removedLater += ApplyRetention(request).filesRemoved; });
    std::printf("  %d images in %d dated folders, kept for 30 days\n", files, kDays);
    std::printf("  first sweep: %.3f s, %d files removed\n", firstSeconds, first.filesRemoved);
    std::printf("  later sweeps (median of %d): %.3f s, %d files removed\n", runs, laterSeconds,
                removedLater);

    Verdict verdict;
    verdict.Check("files the first sweep removed beyond or short of five days",
                  std::abs(files * kDaysRemoved / kDays - first.filesRemoved), 0);
    verdict.Check("sweep finding nothing to remove (s per 10,000 files)",
                  laterSeconds * 10000 / (files - first.filesRemoved), 0.1);
    QDir(folder).removeRecursively();
    return verdict.failures == 0 ? 0 : 1;
}
