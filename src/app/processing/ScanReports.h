// The texts with which the window reports each outcome of a scan: caption, log line, status text, thumbnail
// hint, and the lines on failed and skipped files and on the folders.
#pragma once

#include "FileOutcome.h"
#include "FolderCheck.h"
#include "LogLine.h"

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

// The line for a file that was not processed: "<name> failed: <reason>", "Skipped 160 MB file: <name>", or
// "Skipped band B05 file (band not ticked): <name>" for a file deleted unread.
QString FailureLine(const FileOutcome& outcome);

// "<name> not deleted: <reason>" for a file that was processed or skipped but could not be deleted.
std::optional<QString> SourceNotDeletedLine(const FileOutcome& outcome);

// A line for every folder problem that appeared ("Source folder /in/ is missing", a warning) and every one
// that went ("Source folder /in/ is usable again").
QList<LogLine> FolderChangeLines(const std::vector<FolderWarning>& before,
                                 const std::vector<FolderWarning>& now);
