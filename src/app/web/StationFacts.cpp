// Gathering the facts of one request.
#include "StationFacts.h"

#include "OutputNames.h"
#include "ScanList.h"
#include "Utils.h"

#include <QDir>
#include <QFileInfo>
#include <QLocale>
#include <algorithm>

namespace {

std::optional<ImageFile> Described(const QFileInfo& file) {
    if (file.fileName().isEmpty() || !file.isFile()) return std::nullopt;
    return ImageFile{file.fileName(), file.lastModified().toUTC(), file.size()};
}

// Those that stay with their reason are not waiting: they wait for the operator, not for processing.
qsizetype WaitingFiles(const ProcessingOptions& options, const QMap<QString, StayingFile>& staying) {
    if (options.singleFileMode) return 0;
    QStringList paths;
    if (const QString mask = ScanMask(options.sourcePath, options.satelliteName); !mask.isEmpty())
        ListFiles(mask, paths);
    return std::ranges::count_if(paths, [&](const QString& path) { return !staying.contains(path); });
}

} // namespace

ImageScan ScanOf(const BandImage& image) {
    const QString name = QFileInfo(image.path).fileName();
    ImageScan scan;
    if (const std::optional<TDateTime> start = ImageScanStart(name))
        scan.start = QDateTimeFromDateTime(*start);
    std::uint8_t mode = image.scanMode;
    if (const std::optional<AbiFileInfo> received = DecodeAbiFileName(name); mode == 0 && received)
        mode = received->scanMode;
    if (mode == 1 || mode == 2) scan.cycleMinutes = 15;
    return scan;
}

QDateTime ScannedAt(const StationFacts& facts, int band) {
    if (!facts.images[band]) return {};
    return facts.scans[band].start.isValid() ? facts.scans[band].start : facts.images[band]->time;
}

StationFacts GatherFacts(std::shared_ptr<const StationSnapshot> snapshot, const ProcessingOptions& options,
                         const QDateTime& now) {
    StationFacts facts;
    facts.snapshot = std::move(snapshot);
    facts.folders = ReportFolders(options);
    facts.now = now;
    facts.ticked = options.bandsSelected;
    facts.folderProblems = CheckFolders(options);
    facts.waitingFiles = WaitingFiles(options, facts.snapshot->staying);
    for (int band = 0; band < kBandCount; ++band) {
        facts.scans[band] = ScanOf(facts.snapshot->bands[band]);
        const QFileInfo file(facts.snapshot->bands[band].path);
        facts.images[band] = Described(file);
        if (facts.images[band])
            facts.geoTiffs[band] =
                Described(QFileInfo(file.dir().filePath(file.completeBaseName() + ".tif")));
    }
    facts.health = JudgeHealth(facts);
    return facts;
}

QString PageTime(const QDateTime& time) {
    return time.isValid() ? time.toUTC().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss 'UTC'"))
                          : QStringLiteral("\u2013");
}

QString IsoTime(const QDateTime& time) {
    return time.toUTC().toString(Qt::ISODate);
}

QString AgeText(const QDateTime& time, const QDateTime& now) {
    const qint64 minutes = std::max<qint64>(0, time.secsTo(now) / 60);
    if (minutes < 120) return QString::number(minutes) + " min ago";
    if (minutes < 48 * 60) return QString::number(minutes / 60) + " h ago";
    return QString::number(minutes / (24 * 60)) + " days ago";
}

QString DataSize(qint64 bytes) {
    return QLocale::c().formattedDataSize(bytes, 1, QLocale::DataSizeSIFormat);
}
