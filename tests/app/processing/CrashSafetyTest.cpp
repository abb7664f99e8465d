// Killing the processing at any instant loses no received file and leaves no partial image visible.
#include "BMPExtImage.h"
#include "JPEG_IO.h"
#include "PNG_IO.h"
#include "ProcessingFixture.h"
#include "ScanWorker.h"

#include <QDirIterator>
#include <QFileInfo>
#include <QHash>
#include <QProcess>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTest>
#include <QThread>
#include <csignal>

namespace {

QStringList VisibleFilesBelow(const QString& folder) {
    QStringList files;
    QDirIterator it(folder, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) files << it.next();
    return files;
}

constexpr int kSide = 900;

bool CompleteImage(const QString& path) {
    TExtBitmap bitmap;
    bitmap.SetPixelFormat(TPixelFormat::pf8bit);
    const bool loaded = path.endsWith(".png") ? LoadPngIntoBitmap(bitmap, path, false, false)
                                              : LoadJpegIntoBitmap(bitmap, path, false, 0);
    return loaded && bitmap.Width() == kSide && bitmap.Height() == kSide;
}

} // namespace

using CrashSafetyTest = ProcessingFixture;

TEST_F(CrashSafetyTest, EveryKillLeavesTheSourceOrCompleteOutputs) {
    // Pristine copies, received again whenever the source folder has been emptied, so that every round has
    // work to be killed in (and later rounds replace earlier images).
    const QString pristine = root.filePath("pristine") + "/";
    QDir().mkpath(pristine);
    QStringList received;
    QHash<QString, qint64> receivedSize;
    for (int band = 1; band <= 6; ++band) {
        AbiSampleOptions sample;
        sample.band = band;
        sample.size = kSide;
        sample.start = DefaultStart();
        const QString original = WriteAbiSample(sample, pristine);
        received << source + QFileInfo(original).fileName();
        receivedSize[received.last()] = QFileInfo(original).size();
    }
    const auto receiveAll = [&] {
        for (const QString& path : received) QFile::copy(pristine + QFileInfo(path).fileName(), path);
    };
    receiveAll();
    const auto imagesOf = [&](const QString& path) {
        const QString band = QFileInfo(path).fileName().mid(19, 2);
        const QString base = images + "2024/01/02/202401021230-g16-b" + band;
        return QStringList({base + ".png", base + ".jpg"});
    };

    QRandomGenerator random(20261207);
    int kills = 0;
    for (int round = 0; round < 30; ++round) {
        if (VisibleFilesBelow(source).isEmpty()) receiveAll();
        QProcess child;
        child.start(PROCESSING_CHILD, {source, netCdf, images});
        ASSERT_TRUE(child.waitForStarted());
        QThread::msleep(random.bounded(10, 400));
        if (child.state() == QProcess::Running) {
            ::kill(static_cast<pid_t>(child.processId()), SIGKILL);
            ++kills;
        }
        child.waitForFinished();

        for (const QString& path : received) {
            if (QFileInfo::exists(path)) continue;
            for (const QString& image : imagesOf(path))
                EXPECT_TRUE(CompleteImage(image)) << qPrintable(image);
            const QString archived = netCdf + "2024/01/02/" + QFileInfo(path).fileName();
            EXPECT_EQ(QFileInfo(archived).size(), receivedSize[path]) << qPrintable(archived);
        }
        for (const QString& image : VisibleFilesBelow(images))
            EXPECT_TRUE(CompleteImage(image)) << "partial image visible: " << qPrintable(image);
    }
    EXPECT_GE(kills, 15);

    QProcess finish;
    finish.start(PROCESSING_CHILD, {source, netCdf, images});
    ASSERT_TRUE(finish.waitForFinished(60000));
    EXPECT_TRUE(VisibleFilesBelow(source).isEmpty());
    for (const QString& path : received)
        for (const QString& image : imagesOf(path)) EXPECT_TRUE(CompleteImage(image)) << qPrintable(image);
}

TEST_F(CrashSafetyTest, StartRemovesWhatAKilledRunLeftAndNothingElse) {
    AbiSampleOptions sample;
    sample.size = 2500;
    sample.start = DefaultStart();
    const QString received = WriteAbiSample(sample, source);
    QDir().mkpath(images);
    const QString foreign = images + ".notes.partial";
    QFile(foreign).open(QIODevice::WriteOnly);
    const auto hiddenBelow = [](const QString& folder) {
        QStringList found;
        QDirIterator it(folder, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
        while (it.hasNext()) found << QFileInfo(it.next()).fileName();
        return found.filter(QRegularExpression("^\\.OR_ABI.*\\.(reading|partial)$|^\\.2024.*\\.partial$"));
    };
    // Killed while its read copy or an image is being written.
    QProcess child;
    child.start(PROCESSING_CHILD, {source, netCdf, images, "no-archive"});
    ASSERT_TRUE(child.waitForStarted());
    QTRY_VERIFY_WITH_TIMEOUT(!(hiddenBelow(netCdf) + hiddenBelow(images)).isEmpty(), 30000);
    ::kill(static_cast<pid_t>(child.processId()), SIGKILL);
    child.waitForFinished();
    const int left = (hiddenBelow(netCdf) + hiddenBelow(images)).size();
    ASSERT_GT(left, 0);

    options.saveAsNetCdf = false;
    SharedOptions shared;
    shared.Publish(options);
    const std::atomic_bool running{false};
    ScanWorker worker(shared, running);
    QSignalSpy said(&worker, &ScanWorker::FoldersReported);
    worker.CheckFoldersAtStart();
    EXPECT_TRUE((hiddenBelow(netCdf) + hiddenBelow(images)).isEmpty());
    EXPECT_TRUE(QFile::exists(foreign));
    EXPECT_TRUE(QFile::exists(received));
    ASSERT_FALSE(said.isEmpty());
    EXPECT_TRUE(LineTexts(said[0][0])
                    .first()
                    .startsWith(QStringLiteral("Removed %1 left by an earlier run (")
                                    .arg(left == 1 ? "1 file" : QString::number(left) + " files")));
}
