// Report texts of the scan.
#include "ScanReports.h"

#include <QFileInfo>
#include <QLocale>
#include <algorithm>

namespace {

QString FileName(const FileOutcome& outcome) {
    return QFileInfo(outcome.sourcePath).fileName();
}

bool Contains(const std::vector<FolderWarning>& warnings, const FolderWarning& warning) {
    return std::find(warnings.begin(), warnings.end(), warning) != warnings.end();
}

} // namespace

QString LongitudeText(float longitude) {
    const QLocale locale = QLocale::system();
    const double value = longitude;
    return value < 0.0 ? locale.toString(-value, 'f', 1) + QStringLiteral("\u00B0 W")
                       : locale.toString(value, 'f', 1) + QStringLiteral("\u00B0 E");
}

QString ProcessedCaption(const QString& satelliteName, const QString& captionBase,
                         const FileOutcome& outcome) {
    return satelliteName + " " + captionBase +
           "  -  Processed: " + FormatDateTime("yyyy-mm-dd hh:nn ", outcome.nominalTime) +
           BandCode.at(outcome.BandIndex());
}

QString ProcessedLogLine(const FileOutcome& outcome) {
    return "Processed  " + FormatDateTime("yyyy-mm-dd hhnn", outcome.nominalTime) + "  band " +
           BandCode.at(outcome.BandIndex()) + " " + BandCaption.at(outcome.BandIndex()) + "  at " +
           LongitudeText(outcome.longitude);
}

QString ProcessedStatusText(const FileOutcome& outcome) {
    return SatelliteStatusLabel(outcome.Satellite()) + "  " + ProcessedLogLine(outcome);
}

QString ThumbnailHint(const FileOutcome& outcome) {
    return "GOES-" + SatelliteFileField(outcome.Satellite()).mid(1) + "  " +
           FormatDateTime("yyyy-mm-dd hhnn", outcome.nominalTime) + "  band " +
           BandCode.at(outcome.BandIndex()) + "  [" + BandCaption.at(outcome.BandIndex()) + "]  at " +
           LongitudeText(outcome.longitude);
}

QString FailureLine(const FileOutcome& outcome) {
    switch (outcome.skipReason) {
    case SkipReason::TooLarge:
        return "Skipped " + QString::number(outcome.sizeBytes / 1000000) + " MB file: " + FileName(outcome);
    case SkipReason::BandNotSelected:
        return "Skipped band " + BandCode.at(outcome.BandIndex()) +
               " file (band not ticked): " + FileName(outcome);
    case SkipReason::None:
        break;
    }
    return FileName(outcome) + " failed" + (outcome.failure ? ": " + outcome.failure->message : QString());
}

std::optional<QString> SourceNotDeletedLine(const FileOutcome& outcome) {
    if (!outcome.sourceNotDeleted) return std::nullopt;
    return FileName(outcome) + " not deleted: " + outcome.sourceNotDeleted->message;
}

QList<LogLine> FolderChangeLines(const std::vector<FolderWarning>& before,
                                 const std::vector<FolderWarning>& now) {
    QList<LogLine> lines;
    for (const FolderWarning& warning : before)
        if (!Contains(now, warning) && std::none_of(now.begin(), now.end(), [&](const FolderWarning& w) {
                return w.folder == warning.folder;
            }))
            lines.append({warning.folder + " is usable again", LogSeverity::Info});
    for (const FolderWarning& warning : now)
        if (!Contains(before, warning)) lines.append({warning.Text(), LogSeverity::Warning});
    return lines;
}
