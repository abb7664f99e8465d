// The life of one received file: size gate, name, satellite and band filters, archive copy, conversion, image
// files, deletion of the source and the notification of the animation program.
#pragma once

#include "AbiGeolocation.h"
#include "AbiReadRequest.h"
#include "DateTime.h"
#include "Failure.h"
#include "FileOutcome.h"
#include "ProcessingOptions.h"
#include "ReceivedFile.h"
#include "RememberedFailures.h"

#include <QSet>
#include <QString>
#include <functional>
#include <vector>

inline constexpr qint64 kSmallestReceivedFile = 1000;
// A band-2 full disk (21696² pixels) takes 300 to 450 MB; a file beyond this is not read, and stays.
inline constexpr qint64 kLargestReceivedFile = 1000000000;

struct OutputPaths;
class TExtBitmap;

class FileProcessor {
public:
    // Called when a file of a newer slot arrives while "Clear images" is on.
    std::function<void()> onClearThumbnails;
    // Tells the animation program about a new image (channel, nominal time).
    std::function<void(int, TDateTime)> notify;
    // Whether the file's writer was seen closing it and it has not changed since; such a file need not have
    // been quiet for the settling time.
    std::function<bool(const QString&, const FileIdentity&)> seenClosed;

    FileProcessor();

    // A file that failed for what it holds is not read again while it stays the same file; see
    // RememberedFailures.
    FileOutcome ProcessFile(const ReceivedFile& file, const ProcessingOptions& options);

    // Forgets the failures of files that have gone from the scan list (these paths).
    void ForgetFilesNotIn(const QSet<QString>& listed) { failures_.KeepOnly(listed); }
    // Forgets every failure: each file is read again (at Start).
    void ForgetFailures() { failures_.Clear(); }

    // The newest nominal time shown since the thumbnails were last cleared.
    TDateTime CycleTime() const { return cycleTime_; }

private:
    // The file the reader reads, and the received file as it was when it was copied: only that file is
    // deleted at the end.
    struct ReadCopy {
        QString path;
        bool isCopy = false; // a hidden copy, put in place as the archive copy or removed; else the source
        QString sourcePath;
        FileIdentity source;
    };
    // Reads an image as the request says; the bitmap and the facts read go where the caller keeps them.
    using ImageRead = std::function<Status(const AbiReadRequest&)>;

    // The steps up to the deletion of the source; a failure leaves the source in place.
    Status Process(const ReceivedFile& file, const FileIdentity& listed, const ProcessingOptions& options,
                   FileOutcome& outcome);
    // The gates of what was received: its size and its name.
    Status CheckReceived(const ReceivedFile& file, const FileIdentity& listed,
                         const ProcessingOptions& options) const;
    // A file of a newer slot clears the thumbnails when "Clear images" is on.
    void NoteCycle(const AbiFileInfo& name, const ProcessingOptions& options);
    // The gates of a file to be read: not failed before as it is, no longer being written, readable.
    Status Admit(const QString& path, const FileIdentity& listed, const ProcessingOptions& options) const;
    // The output paths, once the options allow them and their folders exist.
    static Result<OutputPaths> PrepareOutput(const QString& path, const AbiFileInfo& name,
                                             const ProcessingOptions& options);
    static Result<ReadCopy> TakeCopy(const QString& path, const OutputPaths& paths,
                                     const ProcessingOptions& options, FileOutcome& outcome);
    // Reads the copy once the source is seen unchanged since it was copied; once it was read whole, a copy to
    // be archived is put in place, and any other copy removed. True when the archive copy is in place.
    static Result<bool> ReadAndArchive(const ImageRead& readImage, const AbiFileInfo& name,
                                       const ReadCopy& copy, const OutputPaths& paths,
                                       const ProcessingOptions& options, FileOutcome& outcome);
    static void FinishWithSource(const QString& path, const FileIdentity& identity, FileOutcome& outcome);
    // Writes the selected images of the bitmap with at most these permissions, a GeoTIFF only beside a PNG
    // or JPEG; the outcome's image path becomes the last PNG or JPEG written.
    Status SaveImages(const TExtBitmap& bitmap, const std::optional<AbiGeolocation>& geolocation,
                      const ProcessingOptions& options, const AbiFileInfo& name, const OutputPaths& paths,
                      unsigned permissions, FileOutcome& outcome);

    TDateTime cycleTime_ = 0;
    RememberedFailures failures_;
};
