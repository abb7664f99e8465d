// Processing of one received file.
#include "FileProcessor.h"

#include "AnimationNotifier.h"
#include "BMPExtImage.h"
#include "DurableFiles.h"
#include "ImageFiles.h"
#include "OutputNames.h"
#include "ReaderProcess.h"
#include "SourceFile.h"
#include "Utils.h"

#include <QFile>
#include <QFileInfo>
#include <QThread>
#include <filesystem>

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

Status CreateFolder(const QString& folder) {
    std::error_code error;
    std::filesystem::create_directories(QFile::encodeName(folder).toStdString(), error);
    if (error)
        return Failure{FailureCode::CannotCreateFolder,
                       "cannot create folder " + folder + ": " + QString::fromStdString(error.message())};
    return {};
}

Status ReadImage(Result<ReaderProcess>& reader, const QString& path, TExtBitmap& bitmap, float& longitude,
                 const ProcessingOptions& options) {
    KeepAlive();
    // The copy settles on disk before it is read.
    QThread::msleep(static_cast<unsigned long>(options.waits.beforeRead.count()));
    if (!reader) return reader.status();
    return reader->Read(path, options.singleFileMode, options.waits.retryOpen, bitmap, longitude);
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
    if (const Status status = Process(file, options, outcome); !status) outcome.failure = status.failure();
    return outcome;
}

Status FileProcessor::Process(const ReceivedFile& file, const ProcessingOptions& options,
                              FileOutcome& outcome) {
    const Result<FileIdentity> listed = IdentifyFile(file.path);
    if (!listed) return listed.failure();
    outcome.sizeBytes = listed->size;
    if (listed->size < kSmallestReceivedFile)
        return Failure{FailureCode::TooSmall, QStringLiteral("only %1 bytes").arg(listed->size)};
    if (listed->size > kLargestReceivedFile) return Skip(file.path, *listed, SkipReason::TooLarge, outcome);
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
    if (!options.bandsSelected.at(name.bandIndex))
        return Skip(file.path, *listed, SkipReason::BandNotSelected, outcome);
    if (!options.singleFileMode && BusyAfterWaiting(file.path, options.waits))
        return Failure{FailureCode::StillBeingWritten,
                       QStringLiteral("still being written, retried at the next scan")};

    // The reader's process loads its libraries while the file is copied and settles; it ends on its own while
    // the image is saved, and goes after the bitmap.
    auto reader = ReaderProcess::Start(options.reader);

    // An unset folder is never taken for the file-system root.
    if (options.netCdfPath.isEmpty())
        return Failure{FailureCode::FolderNotSet, QStringLiteral("no netCDF folder set")};
    if (options.savePath.isEmpty())
        return Failure{FailureCode::FolderNotSet, QStringLiteral("no image folder set")};
    const bool keepCopy = options.saveAsNetCdf;
    // With nothing to write and nothing to keep, deleting the source would lose it.
    if (!ImageFormatSelected(options) && !keepCopy)
        return Failure{FailureCode::NoFormatSelected, QStringLiteral("no image format selected")};
    const OutputPaths paths = DeriveOutputPaths(options, QFileInfo(file.path).fileName(), name);
    if (const Status created = CreateFolder(paths.netCdfFolder); !created) return created;
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
        const Status copy = CopyFileDurably(file.path, paths.copyPath);
        // Single-file mode reads the file in place when it cannot be copied.
        if (!copy && !options.singleFileMode) return copy;
        if (copy) {
            haveCopy = true;
            readPath = paths.copyPath;
        }
    }

    TExtBitmap bitmap;
    bitmap.SetPixelFormat(TPixelFormat::pf8bit);
    Status saved = ReadImage(reader, readPath, bitmap, outcome.longitude, options);
    if (saved) saved = SaveImages(bitmap, options, name, paths, outcome);
    if (haveCopy && !keepCopy) QFile::remove(paths.copyPath);
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

Status FileProcessor::Skip(const QString& path, const FileIdentity& identity, SkipReason reason,
                           FileOutcome& outcome) {
    outcome.skipReason = reason;
    if (const Status deleted = DeleteIfUnchanged(path, identity); !deleted)
        outcome.sourceNotDeleted = deleted.failure();
    return {};
}

Status FileProcessor::SaveImages(const TExtBitmap& bitmap, const ProcessingOptions& options,
                                 const AbiFileInfo& name, const OutputPaths& paths, FileOutcome& outcome) {
    const bool wantJpeg = options.saveAsJpeg || options.saveAsJpegLow;
    // An image of a format no longer selected would be stale; a selected one is replaced only when complete.
    if (!options.saveAsPng) QFile::remove(paths.pngPath);
    if (!wantJpeg) QFile::remove(paths.jpegPath);

    if (options.saveAsPng) {
        KeepAlive();
        if (const Status saved = SavePngImage(bitmap, paths.pngPath, name.startTime, name.nominalTime);
            !saved)
            return saved;
        outcome.imagePath = paths.pngPath;
    }
    if (wantJpeg) {
        const int quality = options.saveAsJpeg ? kJpegQuality : kJpegLowQuality;
        if (const Status saved = SaveJpegImage(bitmap, paths.jpegPath, quality, name.nominalTime); !saved)
            return saved;
        outcome.imagePath = paths.jpegPath;
    }
    return {};
}
