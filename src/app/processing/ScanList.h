// What one scan processes: the files of the selected satellite in the source folder, in scan and band order.
#pragma once

#include "ProcessingOptions.h"
#include "ReceivedFile.h"

#include <QSet>
#include <QString>
#include <vector>

// SourcePath + "OR_ABI-L1b-RadF-M?C??_" + satellite field + "_s*.nc"; empty when the source folder is not
// set.
QString ScanMask(const QString& sourcePath, const QString& satelliteItemText);

// The start-time field (year, day of year, hour, minute, second, tenth) followed by the two-digit band
// number; empty for a name that does not decode.
QString ScanOrderKey(const ReceivedFile& file);

// Negative, zero or positive as a sorts before, with or after b (locale order, ignoring case). Names that do
// not decode come first.
int CompareScanFiles(const ReceivedFile& a, const ReceivedFile& b);

// The sorted scan list, or only the command-line file in single-file mode.
std::vector<ReceivedFile> BuildScanList(const ProcessingOptions& options);

QSet<QString> PathsOf(const std::vector<ReceivedFile>& files);
