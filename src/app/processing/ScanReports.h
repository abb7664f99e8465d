// The texts with which the window reports each outcome of a scan: caption, log line, status text, thumbnail
// hint.
#pragma once

#include "FileOutcome.h"

#include <QString>
#include <optional>

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

// The line for a file that did not succeed: "<name> failed", "Skipped 160 MB file: <name>", or none at all
// for a file of an unselected band.
std::optional<QString> FailureLine(const FileOutcome& outcome);
