// What one scan processes: the files of the selected satellite in the source folder, in scan and band order.
#pragma once

#include "ProcessingOptions.h"

#include <QString>
#include <QStringList>

// SourcePath + "OR_ABI-L1b-RadF-M?C??_" + satellite field + "_s*.nc"; empty when the source folder is not
// set.
QString ScanMask(const QString& sourcePath, const QString& satelliteItemText);

// The start-time field (14 characters from position 28) followed by the band field (2 from position 20).
QString ScanFileKey(const QString& path);

// Negative, zero or positive as a sorts before, with or after b (locale order, ignoring case).
int CompareScanFiles(const QString& a, const QString& b);

// The sorted scan list, or only the command-line file in single-file mode.
QStringList BuildScanList(const ProcessingOptions& options);
