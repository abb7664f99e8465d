// The texts with which the window reports each outcome of a scan: caption, log line, status text, thumbnail
// hint, and the lines on failed and skipped files, on the folders and on the old files removed from them.
#pragma once

#include "FileOutcome.h"
#include "FolderCheck.h"
#include "LogLine.h"
#include "Retention.h"

#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

// "75.2° W" for negative longitudes, "0.0° E" otherwise, with the locale's decimal separator.
QString LongitudeText(float longitude);

// SatelliteName + " " + CaptionBase + "  -  Processed: yyyy-mm-dd hh:nn B13".
QString ProcessedCaption(const QString& satelliteName, const QString& captionBase,
                         const FileOutcome& outcome);

// "Processed  2025-01-21 2000  band B13 10.3 µm  thermal  at 75.2° W".
QString ProcessedLogLine(const FileOutcome& outcome);

// Satellite label + "  " + the log line.
QString ProcessedStatusText(const FileOutcome& outcome);

// "GOES-16  2025-01-21 2000  band B13  [10.3 µm  thermal]  at 75.2° W".
QString ThumbnailHint(const FileOutcome& outcome);

// For a processed file whose image is below IncompleteBelowPercent, a warning: "<name>: incomplete, 20.0 % of
// the disk missing (GRB errors 0.4 %)" (L0 errors when the file counts those; without the parenthesis when
// it counts neither). For one whose pixel counts contradict each other, a warning that says so. None
// otherwise.
std::optional<LogLine> CompletenessLine(const FileOutcome& outcome);

// "20.0 % of the disk missing (GRB errors 0.4 %)", as in CompletenessLine; none without a figure.
std::optional<QString> MissingText(const AbiCompleteness& stated);

// "20.0 %" with the locale's decimal separator.
QString PercentText(double percent);

// "<name> failed: <reason>" for a file that was not processed; none for a processed file or one of an
// unticked band, deleted unread without a word.
std::optional<QString> FailureLine(const FileOutcome& outcome);

// "<name> not deleted: <reason>" for a file that was processed or skipped but could not be deleted.
std::optional<QString> SourceNotDeletedLine(const FileOutcome& outcome);

// "<name> not archived: <reason>" for a file named on the command line that could not be copied into the
// archive folder, and was read where it lies.
std::optional<QString> NotArchivedLine(const FileOutcome& outcome);

// "<name>: cannot remove <path>: <reason>" for each file the program meant to remove with it (its read copy,
// an image of a format no longer ticked) that stays.
QStringList NotRemovedLines(const FileOutcome& outcome);

// Why a file stays in the source folder, as its log line says it after the name: "not deleted: <reason>"
// for a file that was processed or skipped but could not be deleted, "failed: <reason>" for one that failed;
// none for a file that went.
std::optional<QString> StayingReason(const FileOutcome& outcome);

// Whether a log line (stamp and text) is one of the three above: a file failed, or was not deleted or not
// archived.
bool IsFileFailureLine(const QString& line);

// "Image from previous file:  <path>": the hint of a thumbnail restored from an earlier run's image.
QString RestoredThumbnailHint(const QString& path);

// A line for every folder problem that appeared ("Source folder /in/ is missing", a warning) and every one
// that went ("Source folder /in/ is usable again"; "Image folder /img/ exists now" for a missing one that was
// created).
QList<LogLine> FolderChangeLines(const std::vector<FolderWarning>& before,
                                 const std::vector<FolderWarning>& now);

// "Removed 136 old files (1.1 GB): images older than 7 days, archived netCDF files older than 30 days"; none
// when nothing was removed.
std::optional<QString> RetentionLine(const RetentionOutcome& outcome, const RetentionDays& keep);

// What a sweep left undone and why: "Old files are not removed from /in/: it is the source folder", and
// "Old files cannot all be removed: <the first reason>".
QStringList RetentionNotices(const RetentionOutcome& outcome);
