// Listing and ordering the received files of one scan.
#include "ScanList.h"

#include "BandTables.h"
#include "Utils.h"

#include <QFileInfo>
#include <algorithm>

QString ScanMask(const QString& sourcePath, const QString& satelliteItemText) {
    if (sourcePath.isEmpty()) return {};
    return sourcePath + "OR_ABI-L1b-RadF-M?C??_" + SatelliteMaskField(satelliteItemText) + "_s*.nc";
}

QString ScanFileKey(const QString& path) {
    const QString name = QFileInfo(path).fileName();
    return name.mid(27, 14) + name.mid(19, 2);
}

int CompareScanFiles(const QString& a, const QString& b) {
    return ScanFileKey(a).toLower().localeAwareCompare(ScanFileKey(b).toLower());
}

QStringList BuildScanList(const ProcessingOptions& options) {
    if (options.singleFileMode) return {options.singleFilePath};
    QStringList list;
    const QString mask = ScanMask(options.sourcePath, options.satelliteName);
    if (!mask.isEmpty()) ListFiles(mask, list);
    std::sort(list.begin(), list.end(),
              [](const QString& a, const QString& b) { return CompareScanFiles(a, b) < 0; });
    return list;
}
