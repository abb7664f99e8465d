// The scan loop of the worker thread.
#include "ScanWorker.h"

#include "ImageFileLoading.h"
#include "ScanList.h"
#include "Utils.h"

#include <QFileInfo>

ScanWorker::ScanWorker(const SharedOptions& options, const std::atomic_bool& running)
    : options_(options), running_(running) {
    processor_.onClearThumbnails = [this] { emit ClearThumbnailsRequested(); };
}

void ScanWorker::RunScan() {
    const QStringList files = BuildScanList(options_.Snapshot());
    for (const QString& path : files) {
        if (!running_) break;
        KeepAlive();
        qint64 size = 0;
        try {
            // A folder or a special file (a pipe would block the open) is never read.
            if (!QFileInfo(path).isFile()) throw EInOutError(path.toStdString() + ": not a file");
            size = FileSizeOf(path);
        } catch (const std::exception&) {
            // Gone, locked or not a file since the listing: reported as failed, and the scan goes on.
            FileOutcome vanished;
            vanished.sourcePath = path;
            emit FileReported(vanished);
            continue;
        }
        FileOutcome outcome = processor_.ProcessFile(path, options_.Snapshot());
        outcome.sizeBytes = size;
        if (outcome.Processed())
            outcome.thumbnail =
                LoadReducedImage(outcome.imagePath, QSize(kThumbnailSide, kThumbnailSide)).value_or(QImage());
        emit FileReported(outcome);
    }
    emit ScanFinished();
}

void ScanWorker::RestoreThumbnails(const QStringList& lastSaved) {
    for (int band = 0; band < lastSaved.size(); ++band) {
        const std::optional<QImage> thumbnail =
            LoadRestorableImage(lastSaved[band], QSize(kThumbnailSide, kThumbnailSide));
        if (thumbnail) emit ThumbnailRestored(band, lastSaved[band], *thumbnail);
    }
}
