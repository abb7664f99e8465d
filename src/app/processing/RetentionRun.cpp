// The retention sweep after each scan, and what it has to say.
#include "RetentionRun.h"

#include "ScanReports.h"

#include <QFileInfo>

namespace {

// The band's newest image in every format it may have been saved in: the PNG and the GeoTIFF beside the JPEG
// recorded.
QStringList EveryFormatOf(const QString& imagePath) {
    if (imagePath.isEmpty()) return {};
    const QFileInfo image(imagePath);
    const QString base = image.path() + u'/' + image.completeBaseName();
    return {base + ".png", base + ".jpg", base + ".tif"};
}

} // namespace

void RetentionRun::NoteSaved(int band, const QString& imagePath) {
    savedThisRun_.at(band) = imagePath;
}

QList<LogLine> RetentionRun::AfterScan(const ProcessingOptions& options, const QDateTime& now) {
    if (!options.keep.Any()) {
        notices_.clear();
        return {};
    }
    RetentionRequest request{.imageFolder = options.savePath,
                             .netCdfFolder = options.netCdfPath,
                             .sourceFolder = options.sourcePath,
                             .keep = options.keep,
                             .satellite = static_cast<SatelliteCode>(options.satelliteItem + 1),
                             .save19As16 = options.save19As16,
                             .protectedPaths = {},
                             .now = now};
    for (int band = 0; band < kBandCount; ++band)
        request.protectedPaths << EveryFormatOf(savedThisRun_[band].isEmpty() ? options.lastSaved[band]
                                                                              : savedThisRun_[band]);
    const RetentionOutcome outcome = ApplyRetention(request);

    QList<LogLine> lines;
    if (const std::optional<QString> line = RetentionLine(outcome, options.keep)) lines << LogLine{*line};
    const QStringList notices = RetentionNotices(outcome);
    for (const QString& notice : notices)
        if (!notices_.contains(notice)) lines << LogLine{notice, LogSeverity::Warning};
    notices_ = notices;
    return lines;
}
