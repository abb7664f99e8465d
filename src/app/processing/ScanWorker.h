// One scan on the worker thread: list, sort and process the received files one at a time, reporting each.
#pragma once

#include "ClosedFiles.h"
#include "FileOutcome.h"
#include "FileProcessor.h"
#include "FolderCheck.h"
#include "LogLine.h"
#include "RetentionRun.h"
#include "SharedOptions.h"
#include "SourceSurvey.h"

#include <QDateTime>
#include <QObject>
#include <QStringList>
#include <atomic>
#include <functional>
#include <optional>
#include <vector>

class ScanWorker : public QObject {
    Q_OBJECT
public:
    ScanWorker(const SharedOptions& options, const std::atomic_bool& running);

    // The time that retention measures the age of files against, and before which what a killed run left
    // is removed at Start.
    std::function<QDateTime()> clock = &QDateTime::currentDateTimeUtc;
    // The received files seen closed by their writer (noted by the source folder's watch from its own
    // thread), kept to those still listed.
    ClosedFiles& Closed() { return closedFiles_; }

public slots:
    void RunScan();
    // At Start: removes what a killed run left, says what is wrong with the folders, whatever was said
    // before, and reads every file again.
    void CheckFoldersAtStart();
    // Reads back each band's last saved image (by band index) for its thumbnail.
    void RestoreThumbnails(const QStringList& lastSaved);

signals:
    void ThumbnailRestored(int band, const QString& path, const QImage& thumbnail);
    void ClearThumbnailsRequested();
    // Lines on folders that became unusable or usable again, on what the source folder holds that no scan
    // takes, and on old or left-over files removed from them.
    void FoldersReported(const QList<LogLine>& lines);
    void FileReported(const FileOutcome& outcome);
    void ScanFinished();

private:
    void ReportFolderChanges(const ProcessingOptions& options);
    // Says what the source folder holds that no scan takes, at Start and when its kinds change.
    void ReportSourceSurvey(const ProcessingOptions& options);

    const SharedOptions& options_;
    const std::atomic_bool& running_;
    ClosedFiles closedFiles_;
    FileProcessor processor_;
    RetentionRun retention_;
    std::vector<FolderWarning> folderWarnings_; // as last reported
    std::optional<SourceSurvey> sourceSurvey_;  // as last reported; none before the first at a Start
};
