// Report texts of the scan.
#include "ScanReports.h"

#include <QFileInfo>
#include <QLocale>

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
           BandCode.at(outcome.bandIndex);
}

QString ProcessedLogLine(const FileOutcome& outcome) {
    return "Processed  " + FormatDateTime("yyyy-mm-dd hhnn", outcome.nominalTime) + "  band " +
           BandCode.at(outcome.bandIndex) + " " + BandCaption.at(outcome.bandIndex) + "  at " +
           LongitudeText(outcome.longitude);
}

QString ProcessedStatusText(const FileOutcome& outcome) {
    return SatelliteStatusLabel(outcome.satellite) + "  " + ProcessedLogLine(outcome);
}

QString ThumbnailHint(const FileOutcome& outcome) {
    const QString name = QFileInfo(outcome.sourcePath).fileName();
    return "GOES-" + name.mid(23, 2) + "  " + FormatDateTime("yyyy-mm-dd hhnn", outcome.nominalTime) +
           "  band " + BandCode.at(outcome.bandIndex) + "  [" + BandCaption.at(outcome.bandIndex) + "]  at " +
           LongitudeText(outcome.longitude);
}

std::optional<QString> FailureLine(const FileOutcome& outcome) {
    const QString name = QFileInfo(outcome.sourcePath).fileName();
    switch (outcome.skipReason) {
    case SkipReason::None:
        return name + " failed";
    case SkipReason::TooLarge:
        return "Skipped " + QString::number(outcome.sizeBytes / 1000000) + " MB file: " + name;
    case SkipReason::BandNotSelected:
        return std::nullopt;
    }
    return std::nullopt;
}
