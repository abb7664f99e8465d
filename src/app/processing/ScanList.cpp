// Listing and ordering the received files of one scan.
#include "ScanList.h"

#include "BandTables.h"
#include "Utils.h"

#include <algorithm>

QString ScanMask(const QString& sourcePath, const QString& satelliteItemText) {
    if (sourcePath.isEmpty()) return {};
    return sourcePath + "OR_ABI-L1b-RadF-M?C??_" + SatelliteMaskField(satelliteItemText) + "_s*.nc";
}

QString ScanOrderKey(const ReceivedFile& file) {
    if (!file.name) return {};
    return file.name->startField +
           QStringLiteral("%1").arg(file.name->bandIndex + 1, 2, 10, QLatin1Char('0'));
}

int CompareScanFiles(const ReceivedFile& a, const ReceivedFile& b) {
    return ScanOrderKey(a).toLower().localeAwareCompare(ScanOrderKey(b).toLower());
}

std::vector<ReceivedFile> BuildScanList(const ProcessingOptions& options) {
    if (options.singleFileMode) return {ReceivedFile::At(options.singleFilePath)};
    QStringList paths;
    const QString mask = ScanMask(options.sourcePath, options.satelliteName);
    if (!mask.isEmpty()) ListFiles(mask, paths);
    std::vector<ReceivedFile> list;
    list.reserve(static_cast<std::size_t>(paths.size()));
    for (const QString& path : paths) {
        // A name that is not valid UTF-8 cannot be named again to open it; the source survey reports it.
        if (!path.contains(QChar::ReplacementCharacter)) list.push_back(ReceivedFile::At(path));
    }
    std::sort(list.begin(), list.end(),
              [](const ReceivedFile& a, const ReceivedFile& b) { return CompareScanFiles(a, b) < 0; });
    return list;
}

QSet<QString> PathsOf(const std::vector<ReceivedFile>& files) {
    QSet<QString> paths;
    for (const ReceivedFile& file : files) paths.insert(file.path);
    return paths;
}
