// The retention sweep after each scan, and what it has to say.
#include "RetentionRun.h"

#include "ScanReports.h"

void RetentionRun::NoteSaved(int band, const QString& imagePath) {
    savedThisRun_.at(band) = imagePath;
}

QList<LogLine> RetentionRun::AfterScan(const ProcessingOptions& options, const QDateTime& now) {
    if (!options.keep.Any()) {
        notices_.clear();
        return {};
    }
    RetentionRequest request{options.savePath, options.netCdfPath, options.sourcePath, options.keep, {}, now};
    for (int band = 0; band < kBandCount; ++band)
        request.protectedPaths << (savedThisRun_[band].isEmpty() ? options.lastSaved[band]
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
