// One scan on the worker thread: list, sort and process the received files one at a time, reporting each.
#pragma once

#include "FileOutcome.h"
#include "FileProcessor.h"
#include "SharedOptions.h"

#include <QObject>
#include <QStringList>
#include <atomic>

class ScanWorker : public QObject {
    Q_OBJECT
public:
    ScanWorker(const SharedOptions& options, const std::atomic_bool& running);

public slots:
    void RunScan();
    // Reads back each band's last saved image (by band index) for its thumbnail.
    void RestoreThumbnails(const QStringList& lastSaved);

signals:
    void ThumbnailRestored(int band, const QString& path, const QImage& thumbnail);
    void ClearThumbnailsRequested();
    void FileReported(const FileOutcome& outcome);
    void ScanFinished();

private:
    const SharedOptions& options_;
    const std::atomic_bool& running_;
    FileProcessor processor_;
};
