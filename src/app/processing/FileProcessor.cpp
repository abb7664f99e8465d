// Processing of one received file.
#include "FileProcessor.h"

#include "AnimationNotifier.h"
#include "BMPExtImage.h"
#include "DurableFiles.h"
#include "ImageFileLoading.h"
#include "ImageFiles.h"
#include "OutputNames.h"
#include "ReaderProcess.h"
#include "SourceFile.h"
#include "Utils.h"

#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QSet>
#include <QThread>

namespace {

bool SameFile(const QString& a, const QString& b) {
    const QFileInfo first(a);
    const QFileInfo second(b);
    return first.exists() && second.exists() && first.canonicalFilePath() == second.canonicalFilePath();
}

// A file modified moments ago is looked at once more after a pause; one that is still changing then (or
// has gone) is left for the next scan, and so is one that another program holds open for writing.
bool StillBeingWritten(const QString& path, const FileIdentity& listed, const ProcessingWaits& waits) {
    KeepAlive();
    if (RecentlyModified(path, waits.settling)) {
        // Still within its quiet time after the pause whatever the pause shows: no need to wait for it.
        if (RecentlyModified(path, waits.settling - waits.busyFile)) return true;
        QThread::msleep(static_cast<unsigned long>(waits.busyFile.count()));
        const Result<FileIdentity> now = IdentifyFile(path);
        if (!now || *now != listed) return true;
    }
    return FileInUse(path, waits.settling);
}

Failure StillBeingWrittenFailure() {
    return {FailureCode::StillBeingWritten, QStringLiteral("still being written, retried at the next scan")};
}

Failure TooLargeFailure(qint64 size) {
    return {FailureCode::TooLarge, QStringLiteral("too large (%1 GB; the limit is %2 bytes)")
                                       .arg(QString::number(static_cast<double>(size) / 1e9, 'f', 1),
                                            QLocale(QLocale::English).toString(kLargestReceivedFile))};
}

// The received file after it has settled: still the one copied, or why not.
Status CheckUnchanged(const QString& path, const FileIdentity& copied) {
    const Result<FileIdentity> now = IdentifyFile(path);
    if (!now) return now.status();
    if (*now != copied) return StillBeingWrittenFailure();
    return {};
}

void Settle(const ProcessingOptions& options) {
    KeepAlive();
    QThread::msleep(static_cast<unsigned long>(options.waits.beforeRead.count()));
}

void NoteRemoved(const Status& removed, FileOutcome& outcome) {
    if (!removed) outcome.notRemoved.push_back(removed.failure());
}

// A file named on the command line is read as leniently as a person who named it would expect.
AbiReadLeniency LeniencyFor(const ProcessingOptions& options) {
    return options.singleFileMode ? AbiReadLeniency::ForNamedFile() : AbiReadLeniency();
}

bool ImageFormatSelected(const ProcessingOptions& options) {
    return options.saveAsPng || options.saveAsJpeg || options.saveAsJpegLow;
}

// A GeoTIFF is written beside a PNG or JPEG only; ticked alone, it is said why none is written.
QString NoImageFormatSelected(const ProcessingOptions& options) {
    return options.saveAsGeoTiff
               ? QStringLiteral("no image format selected (a GeoTIFF is saved only beside a "
                                "PNG or JPEG)")
               : QStringLiteral("no image format selected");
}

} // namespace

FileProcessor::FileProcessor() : notify(NotifyAnimationProgram) {}

FileOutcome FileProcessor::ProcessFile(const ReceivedFile& file, const ProcessingOptions& options) {
    FileOutcome outcome;
    outcome.sourcePath = file.path;
    outcome.name = file.name;
    const Result<FileIdentity> listed = IdentifyFile(file.path);
    if (!listed) {
        outcome.failure = listed.failure();
        return outcome;
    }
    outcome.identity = *listed;
    if (const Status status = Process(file, *listed, options, outcome); !status)
        outcome.failure = status.failure();
    failures_.Note(file.path, *listed, outcome.failure);
    return outcome;
}

Status FileProcessor::Process(const ReceivedFile& file, const FileIdentity& listed,
                              const ProcessingOptions& options, FileOutcome& outcome) {
    outcome.sizeBytes = listed.size;
    if (const Status received = CheckReceived(file, listed, options); !received) return received;
    const AbiFileInfo& name = *file.name;
    NoteCycle(name, options);
    if (options.satelliteItem != name.satellite - 1)
        return Failure{FailureCode::OtherSatellite, "a file of " + SatelliteName(name.satellite) +
                                                        ", another satellite than the one selected"};
    if (!options.bandsSelected.at(name.bandIndex)) {
        outcome.skipReason = SkipReason::BandNotSelected;
        FinishWithSource(file.path, listed, outcome);
        return {};
    }
    if (const Status admitted = Admit(file.path, listed, options); !admitted) return admitted;

    // The reader's process loads its libraries while the file is copied and settles; it ends on its own while
    // the image is saved, and goes after the bitmap.
    auto reader = ReaderProcess::Start(options.reader);
    const Result<OutputPaths> paths = PrepareOutput(file.path, name, options);
    if (!paths) return paths.status();
    const Result<ReadCopy> copy = TakeCopy(file.path, *paths, options, outcome);
    if (!copy) return copy.status();
    Settle(options);

    TExtBitmap bitmap;
    bitmap.SetPixelFormat(TPixelFormat::pf8bit);
    std::optional<AbiGeolocation> geolocation;
    const Result<bool> archived = ReadAndArchive(
        [&](const AbiReadRequest& request) {
            return reader
                       ? reader->Read(request, bitmap, outcome.longitude, outcome.completeness, &geolocation)
                       : reader.status();
        },
        name, *copy, *paths, options, outcome);
    if (!archived) return archived.status();
    if (const Status saved =
            SaveImages(bitmap, geolocation, options, name, *paths, listed.permissions, outcome);
        !saved)
        return saved;
    // With archiving on and no archived copy, the source is the archived file: it stays.
    if (!options.saveAsNetCdf || *archived) FinishWithSource(copy->sourcePath, copy->source, outcome);
    if (outcome.imagePath.isEmpty())
        return Failure{FailureCode::NoFormatSelected, NoImageFormatSelected(options) + "; archived only"};
    outcome.nominalTime = name.nominalTime;
    if (notify) notify(AnimationChannel(name.satellite, name.bandIndex), name.nominalTime);
    return {};
}

Status FileProcessor::CheckReceived(const ReceivedFile& file, const FileIdentity& listed,
                                    const ProcessingOptions& options) const {
    // A file just begun is not yet too small.
    if (listed.size < kSmallestReceivedFile)
        return !options.singleFileMode && FileInUse(file.path, options.waits.settling)
                   ? StillBeingWrittenFailure()
                   : Failure{FailureCode::TooSmall, QStringLiteral("only %1 bytes").arg(listed.size)};
    if (listed.size > kLargestReceivedFile) return TooLargeFailure(listed.size);
    if (!file.name)
        return Failure{FailureCode::NotAbiFileName, QStringLiteral("not the name of an ABI full-disk file")};
    return {};
}

void FileProcessor::NoteCycle(const AbiFileInfo& name, const ProcessingOptions& options) {
    if (!options.clearImages || name.nominalTime <= cycleTime_) return;
    if (onClearThumbnails) onClearThumbnails();
    cycleTime_ = name.nominalTime;
}

Status FileProcessor::Admit(const QString& path, const FileIdentity& listed,
                            const ProcessingOptions& options) const {
    // A missing geolocation fails a file only while a GeoTIFF is asked for.
    if (const std::optional<Failure> remembered = failures_.Recall(path, listed);
        remembered && (remembered->code != FailureCode::GeolocationMissing || options.saveAsGeoTiff))
        return *remembered;
    // A close that the watch saw stands for the time rule; another writer may still hold the file open all
    // the same.
    const bool closeSeen = seenClosed && seenClosed(path, listed);
    if (!options.singleFileMode &&
        (closeSeen ? HeldOpenForWriting(path) : StillBeingWritten(path, listed, options.waits)))
        return StillBeingWrittenFailure();
    return CheckReadable(path);
}

Result<OutputPaths> FileProcessor::PrepareOutput(const QString& path, const AbiFileInfo& name,
                                                 const ProcessingOptions& options) {
    // An unset folder is never taken for the file-system root. Long image names put the images beside the
    // copy, so only short ones need the image folder.
    if (options.netCdfPath.isEmpty())
        return Failure{FailureCode::FolderNotSet, QStringLiteral("no netCDF folder set")};
    if (options.savePath.isEmpty() && options.shortImageNames)
        return Failure{FailureCode::FolderNotSet, QStringLiteral("no image folder set")};
    // With nothing to write and nothing to keep, deleting the source would lose it.
    if (!ImageFormatSelected(options) && !options.saveAsNetCdf)
        return Failure{FailureCode::NoFormatSelected, NoImageFormatSelected(options)};
    OutputPaths paths = DeriveOutputPaths(options, QFileInfo(path).fileName(), name);
    if (const Status created = CreateFolder(paths.netCdfFolder); !created) return created.failure();
    if (!options.savePath.isEmpty())
        if (const Status created = CreateFolder(paths.imageFolder); !created) return created.failure();
    return paths;
}

Result<FileProcessor::ReadCopy> FileProcessor::TakeCopy(const QString& path, const OutputPaths& paths,
                                                        const ProcessingOptions& options,
                                                        FileOutcome& outcome) {
    // A file named on the command line may come from the archive folder itself and is read where it lies; in
    // a scan, a source folder that is also the archive folder would have the file processed again at every
    // scan.
    const bool sourceIsArchive = SameFile(path, paths.copyPath);
    if (sourceIsArchive && !options.singleFileMode)
        return Failure{FailureCode::SourceIsArchive,
                       QStringLiteral("source folder is also the archive folder")};
    // What is deleted at the end must be the file that was copied, not one put in its place meanwhile (nor
    // one still growing).
    const Result<FileIdentity> copied = IdentifyFile(path);
    if (!copied) return copied.failure();
    if (sourceIsArchive) return ReadCopy{path, false, path, *copied};
    // The file is read from a hidden copy, which becomes the archived file only once it has been read whole:
    // the archive never holds a damaged or cut file, nor loses an earlier good copy to one.
    if (const Status copy = CopyFileDurably(path, paths.readCopyPath); !copy) {
        // In a scan a file that cannot be copied stays. A file named on the command line is read where it
        // lies instead; when it was to be archived, that it was not is said, and it stays as the archived
        // file.
        if (!options.singleFileMode) return copy.failure();
        if (options.saveAsNetCdf) outcome.notArchived = copy.failure();
        return ReadCopy{path, false, path, *copied};
    }
    return ReadCopy{paths.readCopyPath, true, path, *copied};
}

Result<bool> FileProcessor::ReadAndArchive(const ImageRead& readImage, const AbiFileInfo& name,
                                           const ReadCopy& copy, const OutputPaths& paths,
                                           const ProcessingOptions& options, FileOutcome& outcome) {
    Status read = options.singleFileMode ? Status() : CheckUnchanged(copy.sourcePath, copy.source);
    if (read) read = readImage({copy.path, name, options.waits.retryOpen, LeniencyFor(options)});
    outcome.incomplete = read && outcome.completeness.Below(options.incompleteBelowPercent);
    bool archived = false;
    if (read && copy.isCopy && options.saveAsNetCdf) {
        if (const Status placed = PutInPlace(copy.path, paths.copyPath); placed)
            archived = true;
        else if (options.singleFileMode)
            outcome.notArchived = Failure{FailureCode::CannotCopy, placed.failure().message};
        else
            read = Failure{FailureCode::CannotCopy, placed.failure().message};
    }
    if (copy.isCopy && !archived) NoteRemoved(RemoveFileIfPresent(copy.path), outcome);
    if (!read) return read.failure();
    return archived;
}

void FileProcessor::FinishWithSource(const QString& path, const FileIdentity& identity,
                                     FileOutcome& outcome) {
    if (const Status deleted = DeleteIfUnchanged(path, identity); !deleted)
        outcome.sourceNotDeleted = deleted.failure();
}

Status FileProcessor::SaveImages(const TExtBitmap& bitmap, const std::optional<AbiGeolocation>& geolocation,
                                 const ProcessingOptions& options, const AbiFileInfo& name,
                                 const OutputPaths& paths, unsigned permissions, FileOutcome& outcome) {
    const bool wantJpeg = options.saveAsJpeg || options.saveAsJpegLow;
    const bool wantGeoTiff = options.saveAsGeoTiff && ImageFormatSelected(options);
    // An image of a format no longer selected would be stale; a selected one is replaced only when complete.
    if (!options.saveAsPng) NoteRemoved(RemoveFileIfPresent(paths.pngPath), outcome);
    if (!wantJpeg) NoteRemoved(RemoveFileIfPresent(paths.jpegPath), outcome);
    if (!wantGeoTiff) NoteRemoved(RemoveFileIfPresent(paths.geoTiffPath), outcome);
    // Nothing is written for a GeoTIFF that cannot be made.
    if (wantGeoTiff && !geolocation)
        return SaveGeoTiffImage(bitmap, paths.geoTiffPath, {}, name.startTime, name.nominalTime, permissions);

    KeepAlive();
    const ImageFileSaves saves{options.saveAsPng ? paths.pngPath : QString(),
                               wantJpeg ? paths.jpegPath : QString(),
                               wantGeoTiff ? paths.geoTiffPath : QString(),
                               {geolocation, SatelliteName(name.satellite), BandCode.at(name.bandIndex)},
                               options.saveAsJpeg ? kJpegQuality : kJpegLowQuality,
                               name.startTime,
                               name.nominalTime,
                               permissions,
                               QSize(kThumbnailSide, kThumbnailSide)};
    const ImageFilesSaved saved = SaveImageFiles(bitmap, saves);
    if (!saved.png) return saved.png;
    if (options.saveAsPng) outcome.imagePath = paths.pngPath;
    if (!saved.jpeg) return saved.jpeg;
    if (wantJpeg) outcome.imagePath = paths.jpegPath;
    if (!saved.geoTiff) return saved.geoTiff;
    outcome.thumbnail = saved.thumbnail;
    return {};
}
