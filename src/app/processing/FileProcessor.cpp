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
#include <filesystem>

namespace {

bool SameFile(const QString& a, const QString& b) {
    const QFileInfo first(a);
    const QFileInfo second(b);
    return first.exists() && second.exists() && first.canonicalFilePath() == second.canonicalFilePath();
}

// A file modified moments ago is looked at once more after a pause; one that is still changing then (or
// has gone) is left for the next scan.
bool StillBeingWritten(const QString& path, const FileIdentity& listed, const ProcessingWaits& waits) {
    KeepAlive();
    if (!FileInUse(path, waits.settling)) return false;
    QThread::msleep(static_cast<unsigned long>(waits.busyFile.count()));
    const Result<FileIdentity> now = IdentifyFile(path);
    return FileInUse(path, waits.settling) || !now || *now != listed;
}

Failure StillBeingWrittenFailure() {
    return {FailureCode::StillBeingWritten, QStringLiteral("still being written, retried at the next scan")};
}

Failure TooLargeFailure(qint64 size) {
    return {FailureCode::TooLarge, QStringLiteral("too large (%1 GB; the limit is %2 bytes)")
                                       .arg(QString::number(static_cast<double>(size) / 1e9, 'f', 1),
                                            QLocale(QLocale::English).toString(kLargestReceivedFile))};
}

Status CreateFolder(const QString& folder) {
    std::error_code error;
    std::filesystem::create_directories(QFile::encodeName(folder).toStdString(), error);
    if (error)
        return Failure{FailureCode::CannotCreateFolder,
                       "cannot create folder " + folder + ": " + QString::fromStdString(error.message())};
    return {};
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

bool ImageFormatSelected(const ProcessingOptions& options) {
    return options.saveAsPng || options.saveAsJpeg || options.saveAsJpegLow;
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
    if (const Status status = Process(file, *listed, options, outcome); !status)
        outcome.failure = status.failure();
    failures_.Note(file.path, *listed, outcome.failure);
    return outcome;
}

Status FileProcessor::Process(const ReceivedFile& file, const FileIdentity& listed,
                              const ProcessingOptions& options, FileOutcome& outcome) {
    outcome.sizeBytes = listed.size;
    // A file just begun is not yet too small.
    if (listed.size < kSmallestReceivedFile)
        return !options.singleFileMode && FileInUse(file.path, options.waits.settling)
                   ? StillBeingWrittenFailure()
                   : Failure{FailureCode::TooSmall, QStringLiteral("only %1 bytes").arg(listed.size)};
    if (listed.size > kLargestReceivedFile) return TooLargeFailure(listed.size);
    if (!file.name)
        return Failure{FailureCode::NotAbiFileName, QStringLiteral("not the name of an ABI full-disk file")};
    const AbiFileInfo& name = *file.name;

    if (options.clearImages && name.nominalTime > cycleTime_) {
        if (onClearThumbnails) onClearThumbnails();
        cycleTime_ = name.nominalTime;
    }
    if (options.satelliteItem != name.satellite - 1)
        return Failure{FailureCode::OtherSatellite, "a file of " + SatelliteName(name.satellite) +
                                                        ", another satellite than the one selected"};
    if (!options.bandsSelected.at(name.bandIndex)) {
        outcome.skipReason = SkipReason::BandNotSelected;
        if (const Status deleted = DeleteIfUnchanged(file.path, listed); !deleted)
            outcome.sourceNotDeleted = deleted.failure();
        return {};
    }
    if (const std::optional<Failure> remembered = failures_.Recall(file.path, listed)) return *remembered;
    const bool closeSeen = seenClosed && seenClosed(file.path, listed);
    if (!options.singleFileMode && !closeSeen && StillBeingWritten(file.path, listed, options.waits))
        return StillBeingWrittenFailure();
    if (const Status readable = CheckReadable(file.path); !readable) return readable;

    // The reader's process loads its libraries while the file is copied and settles; it ends on its own while
    // the image is saved, and goes after the bitmap.
    auto reader = ReaderProcess::Start(options.reader);

    // An unset folder is never taken for the file-system root. Long image names put the images beside the
    // copy, so only short ones need the image folder.
    if (options.netCdfPath.isEmpty())
        return Failure{FailureCode::FolderNotSet, QStringLiteral("no netCDF folder set")};
    if (options.savePath.isEmpty() && options.shortImageNames)
        return Failure{FailureCode::FolderNotSet, QStringLiteral("no image folder set")};
    const bool keepCopy = options.saveAsNetCdf;
    // With nothing to write and nothing to keep, deleting the source would lose it.
    if (!ImageFormatSelected(options) && !keepCopy)
        return Failure{FailureCode::NoFormatSelected, QStringLiteral("no image format selected")};
    const OutputPaths paths = DeriveOutputPaths(options, QFileInfo(file.path).fileName(), name);
    if (const Status created = CreateFolder(paths.netCdfFolder); !created) return created;
    if (!options.savePath.isEmpty())
        if (const Status created = CreateFolder(paths.imageFolder); !created) return created;

    // A file named on the command line may come from the archive folder itself and is read where it lies; in
    // a scan, a source folder that is also the archive folder would have the file processed again at every
    // scan.
    const bool sourceIsArchive = SameFile(file.path, paths.copyPath);
    if (sourceIsArchive && !options.singleFileMode)
        return Failure{FailureCode::SourceIsArchive,
                       QStringLiteral("source folder is also the archive folder")};
    // What is deleted at the end must be the file that was copied, not one put in its place meanwhile (nor
    // one still growing).
    const Result<FileIdentity> copied = IdentifyFile(file.path);
    if (!copied) return copied.failure();
    bool haveCopy = false;
    QString readPath = file.path;
    if (!sourceIsArchive) {
        const QString copyPath = keepCopy ? paths.copyPath : paths.readCopyPath;
        const Status copy = CopyFileDurably(file.path, copyPath);
        // In a scan a file that cannot be copied stays. A file named on the command line is read where it
        // lies instead; when it was to be archived, that it was not is said, and it stays as the archived
        // file.
        if (!copy && !options.singleFileMode) return copy;
        if (!copy && keepCopy) outcome.notArchived = copy.failure();
        if (copy) {
            haveCopy = true;
            readPath = copyPath;
        }
    }

    Settle(options);
    TExtBitmap bitmap;
    bitmap.SetPixelFormat(TPixelFormat::pf8bit);
    Status saved = options.singleFileMode ? Status() : CheckUnchanged(file.path, *copied);
    if (saved)
        saved = reader ? reader->Read({readPath, name, options.waits.retryOpen, options.singleFileMode},
                                      bitmap, outcome.longitude)
                       : reader.status();
    if (saved) saved = SaveImages(bitmap, options, name, paths, listed.permissions, outcome);
    // A copy of a file that changed while it was copied is no archive of it.
    const bool copyIsStale = !saved && saved.failure().code == FailureCode::StillBeingWritten;
    if (haveCopy && (!keepCopy || copyIsStale)) QFile::remove(readPath);
    if (!saved) return saved;
    // With archiving on and no copy apart from the source, the source is the archived file: it stays.
    const bool sourceIsTheArchivedFile = keepCopy && !haveCopy;
    if (!sourceIsTheArchivedFile) {
        if (const Status deleted = DeleteIfUnchanged(file.path, *copied); !deleted)
            outcome.sourceNotDeleted = deleted.failure();
    }
    if (outcome.imagePath.isEmpty())
        return Failure{FailureCode::NoFormatSelected,
                       QStringLiteral("no image format selected; archived only")};
    outcome.nominalTime = name.nominalTime;
    if (notify) notify(AnimationChannel(name.satellite, name.bandIndex), name.nominalTime);
    return {};
}

Status FileProcessor::SaveImages(const TExtBitmap& bitmap, const ProcessingOptions& options,
                                 const AbiFileInfo& name, const OutputPaths& paths, unsigned permissions,
                                 FileOutcome& outcome) {
    const bool wantJpeg = options.saveAsJpeg || options.saveAsJpegLow;
    // An image of a format no longer selected would be stale; a selected one is replaced only when complete.
    if (!options.saveAsPng) QFile::remove(paths.pngPath);
    if (!wantJpeg) QFile::remove(paths.jpegPath);

    KeepAlive();
    const ImageFilesSaved saved = SavePngAndJpegImages(
        bitmap, {options.saveAsPng ? paths.pngPath : QString(), wantJpeg ? paths.jpegPath : QString(),
                 options.saveAsJpeg ? kJpegQuality : kJpegLowQuality, name.startTime, name.nominalTime,
                 permissions, QSize(kThumbnailSide, kThumbnailSide)});
    if (!saved.png) return saved.png;
    if (options.saveAsPng) outcome.imagePath = paths.pngPath;
    if (!saved.jpeg) return saved.jpeg;
    if (wantJpeg) outcome.imagePath = paths.jpegPath;
    outcome.thumbnail = saved.thumbnail;
    return {};
}
