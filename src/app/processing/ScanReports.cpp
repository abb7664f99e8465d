// Report texts of the scan.
#include "ScanReports.h"

#include <QFileInfo>
#include <QLocale>
#include <algorithm>

namespace {

const QString kFailed = QStringLiteral("failed");
const QString kNotDeleted = QStringLiteral("not deleted: ");
const QString kNotArchived = QStringLiteral("not archived: ");

QString FileName(const FileOutcome& outcome) {
    return QFileInfo(outcome.sourcePath).fileName();
}

// "<name> <what>"; none when there is nothing to say.
std::optional<QString> Named(const FileOutcome& outcome, const std::optional<QString>& what) {
    if (!what) return std::nullopt;
    return FileName(outcome) + u' ' + *what;
}

std::optional<QString> FailedText(const FileOutcome& outcome) {
    if (outcome.Processed() || outcome.skipReason != SkipReason::None) return std::nullopt;
    return kFailed + (outcome.failure ? ": " + outcome.failure->message : QString());
}

std::optional<QString> NotDeletedText(const FileOutcome& outcome) {
    if (!outcome.sourceNotDeleted) return std::nullopt;
    return kNotDeleted + outcome.sourceNotDeleted->message;
}

bool Contains(const std::vector<FolderWarning>& warnings, const FolderWarning& warning) {
    return std::find(warnings.begin(), warnings.end(), warning) != warnings.end();
}

QString DaysText(int days) {
    return days == 1 ? QStringLiteral("1 day") : QStringLiteral("%1 days").arg(days);
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

std::optional<LogLine> CompletenessLine(const FileOutcome& outcome) {
    if (!outcome.Processed()) return std::nullopt;
    const AbiCompleteness& stated = outcome.completeness;
    if (const QString contradiction = stated.Contradiction(); !contradiction.isEmpty())
        return LogLine{FileName(outcome) +
                           ": completeness not known, the file's pixel counts contradict each "
                           "other: " +
                           contradiction,
                       LogSeverity::Warning};
    const std::optional<QString> missing = MissingText(stated);
    if (!outcome.incomplete || !missing) return std::nullopt;
    return LogLine{FileName(outcome) + ": incomplete, " + *missing, LogSeverity::Warning};
}

std::optional<QString> MissingText(const AbiCompleteness& stated) {
    const std::optional<double> missing = stated.MissingPercent();
    if (!missing) return std::nullopt;
    QString text = PercentText(*missing) + " of the disk missing";
    if (stated.uncorrectableErrors)
        text +=
            QStringLiteral(" (%1 errors %2)")
                .arg(stated.errorSource == AbiErrorSource::GRB ? QStringLiteral("GRB") : QStringLiteral("L0"),
                     PercentText(100.0 * *stated.uncorrectableErrors));
    return text;
}

QString PercentText(double percent) {
    return QLocale::system().toString(percent, 'f', 1) + QStringLiteral(" %");
}

std::optional<QString> FailureLine(const FileOutcome& outcome) {
    return Named(outcome, FailedText(outcome));
}

std::optional<QString> SourceNotDeletedLine(const FileOutcome& outcome) {
    return Named(outcome, NotDeletedText(outcome));
}

std::optional<QString> NotArchivedLine(const FileOutcome& outcome) {
    if (!outcome.notArchived) return std::nullopt;
    return Named(outcome, kNotArchived + outcome.notArchived->message);
}

QStringList NotRemovedLines(const FileOutcome& outcome) {
    QStringList lines;
    for (const Failure& failure : outcome.notRemoved) lines << FileName(outcome) + ": " + failure.message;
    return lines;
}

std::optional<QString> StayingReason(const FileOutcome& outcome) {
    return outcome.sourceNotDeleted ? NotDeletedText(outcome) : FailedText(outcome);
}

bool IsFileFailureLine(const QString& line) {
    return line.contains(u' ' + kFailed + ": ") || line.endsWith(u' ' + kFailed) ||
           line.contains(u' ' + kNotDeleted) || line.contains(u' ' + kNotArchived);
}

QString RestoredThumbnailHint(const QString& path) {
    return QStringLiteral("Image from previous file:  ") + path;
}

QList<LogLine> FolderChangeLines(const std::vector<FolderWarning>& before,
                                 const std::vector<FolderWarning>& now) {
    QList<LogLine> lines;
    for (const FolderWarning& warning : before)
        if (!Contains(now, warning) && std::none_of(now.begin(), now.end(), [&](const FolderWarning& w) {
                return w.folder == warning.folder;
            }))
            lines.append({warning.folder + (warning.createdWhenNeeded ? " exists now" : " is usable again"),
                          LogSeverity::Info});
    for (const FolderWarning& warning : now)
        if (!Contains(before, warning)) lines.append({warning.Text(), LogSeverity::Warning});
    return lines;
}

std::optional<QString> RetentionLine(const RetentionOutcome& outcome, const RetentionDays& keep) {
    if (outcome.filesRemoved == 0) return std::nullopt;
    QStringList rules;
    if (keep.images > 0) rules << "images older than " + DaysText(keep.images);
    if (keep.netCdf > 0) rules << "archived netCDF files older than " + DaysText(keep.netCdf);
    const QString size =
        QLocale::system().formattedDataSize(outcome.bytesRemoved, 1, QLocale::DataSizeSIFormat);
    const QString files = outcome.filesRemoved == 1
                              ? QStringLiteral("1 old file")
                              : QStringLiteral("%1 old files").arg(outcome.filesRemoved);
    return "Removed " + files + " (" + size + "): " + rules.join(", ");
}

QStringList RetentionNotices(const RetentionOutcome& outcome) {
    QStringList notices;
    for (const QString& folder : outcome.sourceFoldersSkipped)
        notices << "Old files are not removed from " + folder + ": it is the source folder";
    if (!outcome.failures.empty())
        notices << "Old files cannot all be removed: " + outcome.failures.front().message;
    return notices;
}
