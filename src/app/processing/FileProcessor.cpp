// Processing of one received file.
#include "FileProcessor.h"

#include "AbiFileName.h"
#include "AnimationNotifier.h"
#include "BMPExtImage.h"
#include "DurableFiles.h"
#include "ImageFiles.h"
#include "NetCDFGoesAbi.h"
#include "OutputNames.h"
#include "Utils.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QThread>

namespace {

bool SameFile(const QString& a, const QString& b) {
    const QFileInfo first(a);
    const QFileInfo second(b);
    return first.exists() && second.exists() && first.canonicalFilePath() == second.canonicalFilePath();
}

bool BusyAfterWaiting(const QString& path, const ProcessingWaits& waits) {
    KeepAlive();
    if (!FileInUse(path)) return false;
    QThread::msleep(static_cast<unsigned long>(waits.busyFile.count()));
    return FileInUse(path);
}

} // namespace

FileProcessor::FileProcessor() : notify(NotifyAnimationProgram) {}

FileOutcome FileProcessor::ProcessFile(const QString& sourcePath, const ProcessingOptions& options) {
    FileOutcome outcome;
    outcome.sourcePath = sourcePath;

    const QFileInfo source(sourcePath);
    if (!source.isFile()) return outcome;
    qint64 size = 0;
    try {
        size = FileSizeOf(sourcePath);
    } catch (const std::exception&) {
        return outcome;
    }
    if (size < kSmallestReceivedFile) return outcome;
    if (size > kLargestReceivedFile) {
        QFile::remove(sourcePath);
        outcome.skipReason = SkipReason::TooLarge;
        return outcome;
    }

    SatelliteCode satellite = 0;
    std::uint8_t band = 0;
    std::uint8_t scanMode = 0;
    TDateTime startTime = 0;
    TDateTime nominalTime = 0;
    if (!DecodeAbiFileName(sourcePath, satellite, band, startTime, nominalTime, scanMode)) return outcome;
    outcome.satellite = satellite;
    outcome.bandIndex = band;

    if (options.clearImages && nominalTime > cycleTime_) {
        if (onClearThumbnails) onClearThumbnails();
        cycleTime_ = nominalTime;
    }
    if (options.satelliteItem != satellite - 1) return outcome;
    if (!options.bandsSelected.at(band)) {
        QFile::remove(sourcePath);
        outcome.skipReason = SkipReason::BandNotSelected;
        return outcome;
    }
    if (!options.singleFileMode && BusyAfterWaiting(sourcePath, options.waits)) return outcome;

    // An unset folder is never taken for the file-system root.
    if (options.netCdfPath.isEmpty() || options.savePath.isEmpty()) return outcome;
    const OutputPaths paths = DeriveOutputPaths(options, source.fileName(), startTime, satellite, band);
    if (!QDir().mkpath(paths.netCdfFolder) || !QDir().mkpath(paths.imageFolder)) return outcome;

    // A file named on the command line may come from the archive folder itself and is read where it lies; in
    // a scan, a source folder that is also the archive folder would have the file processed again at every
    // scan, so it fails as a copy onto itself does.
    const bool sourceIsArchive = SameFile(sourcePath, paths.copyPath);
    if (sourceIsArchive && !options.singleFileMode) return outcome;
    QString readPath = paths.copyPath;
    bool copied = false;
    if (sourceIsArchive) {
        readPath = sourcePath;
    } else {
        try {
            CopyFileDurably(sourcePath, paths.copyPath);
            copied = true;
        } catch (const std::exception&) {
            if (!options.singleFileMode) return outcome;
            readPath = sourcePath;
        }
    }

    const bool keepCopy = options.saveAsNetCdf;
    bool saved = false;
    try {
        saved = ConvertAndSave(readPath, options, outcome, startTime, nominalTime, paths);
    } catch (const std::exception&) {
        saved = false;
    }
    if (copied && !keepCopy) QFile::remove(paths.copyPath);
    if (!saved) return outcome;
    if (!(sourceIsArchive && keepCopy)) QFile::remove(sourcePath);

    if (!outcome.imagePath.isEmpty()) {
        outcome.nominalTime = nominalTime;
        if (notify) notify(AnimationChannel(satellite, band), nominalTime);
    }
    outcome.success = true;
    return outcome;
}

bool FileProcessor::ConvertAndSave(const QString& readPath, const ProcessingOptions& options,
                                   FileOutcome& outcome, TDateTime startTime, TDateTime nominalTime,
                                   const OutputPaths& paths) {
    TExtBitmap bitmap;
    bitmap.SetPixelFormat(TPixelFormat::pf8bit);
    KeepAlive();
    float longitude = 0;
    // Nothing received is given up for an image that could not be read: the source stays for the next scan.
    if (!ReadAbiImage(readPath, bitmap, longitude, options.singleFileMode, options.waits)) return false;
    outcome.longitude = longitude;

    const bool wantJpeg = options.saveAsJpeg || options.saveAsJpegLow;
    // An image of a format no longer selected would be stale; a selected one is replaced only when complete.
    if (!options.saveAsPng) QFile::remove(paths.pngPath);
    if (!wantJpeg) QFile::remove(paths.jpegPath);

    if (options.saveAsPng) {
        KeepAlive();
        SavePngImage(bitmap, paths.pngPath, startTime, nominalTime);
        outcome.imagePath = paths.pngPath;
    }
    if (wantJpeg) {
        const int quality = options.saveAsJpeg ? kJpegQuality : kJpegLowQuality;
        if (SaveJpegImage(bitmap, paths.jpegPath, quality, nominalTime)) outcome.imagePath = paths.jpegPath;
    }
    return true;
}
