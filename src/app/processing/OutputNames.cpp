// Output folders and names of the archive copy and the images.
#include "OutputNames.h"

#include <QFileInfo>

QString ReadCopyName(const QString& receivedName) {
    return "." + receivedName + ".reading";
}

QString DatedSubFolder(TDateTime startTime) {
    return FormatDateTime("yyyy/mm/dd/", startTime);
}

QString ShortImageBaseName(TDateTime startTime, SatelliteCode satellite, bool save19As16, int bandIndex) {
    return FormatDateTime("yyyymmddhhnn-", startTime) + SatelliteShortTag(satellite, save19As16) +
           BandCode.at(bandIndex).toLower();
}

OutputPaths DeriveOutputPaths(const ProcessingOptions& options, const QString& fileName,
                              const AbiFileInfo& name) {
    OutputPaths paths;
    const QString dated = options.datesInFolders ? DatedSubFolder(name.startTime) : QString();
    paths.netCdfFolder = options.netCdfPath + dated;
    paths.imageFolder = options.savePath + dated;
    paths.copyPath = paths.netCdfFolder + fileName;
    paths.readCopyPath = paths.netCdfFolder + ReadCopyName(fileName);

    QString base;
    if (options.shortImageNames) {
        base = paths.imageFolder +
               ShortImageBaseName(name.startTime, name.satellite, options.save19As16, name.bandIndex);
    } else {
        const QFileInfo copy(paths.copyPath);
        const QString stem = copy.suffix().isEmpty() ? copy.fileName() : copy.completeBaseName();
        base = paths.netCdfFolder + stem;
    }
    paths.pngPath = base + ".png";
    paths.jpegPath = base + ".jpg";
    return paths;
}
