// The scan loop of the worker thread.
#include "ScanWorker.h"

#include "ImageFileLoading.h"
#include "Leftovers.h"
#include "ScanList.h"
#include "ScanReports.h"
#include "Utils.h"

ScanWorker::ScanWorker(const SharedOptions& options, const std::atomic_bool& running)
    : options_(options), running_(running) {
    processor_.onClearThumbnails = [this] { emit ClearThumbnailsRequested(); };
    processor_.seenClosed = [this](const QString& path, const FileIdentity& now) {
        return closedFiles_.SeenClosed(path, now);
    };
}

void ScanWorker::RunScan() {
    const ProcessingOptions options = options_.Snapshot();
    ReportFolderChanges(options);
    ReportSourceSurvey(options);
    const std::vector<ReceivedFile> files = BuildScanList(options);
    const QSet<QString> listed = PathsOf(files);
    processor_.ForgetFilesNotIn(listed);
    closedFiles_.ForgetChanged();
    for (const ReceivedFile& file : files) {
        if (!running_) break;
        KeepAlive();
        FileOutcome outcome = processor_.ProcessFile(file, options_.Snapshot());
        if (outcome.Processed()) retention_.NoteSaved(outcome.BandIndex(), outcome.imagePath);
        emit FileReported(outcome);
    }
    // Old files go once the scan's own are done, unless processing was stopped meanwhile.
    const QList<LogLine> retention =
        running_ ? retention_.AfterScan(options_.Snapshot(), clock()) : QList<LogLine>();
    if (!retention.isEmpty()) emit FoldersReported(retention);
    emit ScanFinished();
}

void ScanWorker::CheckFoldersAtStart() {
    processor_.ForgetFailures();
    folderWarnings_.clear();
    sourceSurvey_.reset();
    const ProcessingOptions options = options_.Snapshot();
    // Nothing of this program's is being written now: what is hidden there is a killed run's.
    const LeftoverOutcome leftovers =
        RemoveLeftovers({options.savePath, options.netCdfPath}, options.sourcePath, clock());
    if (const std::optional<LogLine> line = LeftoverLine(leftovers)) emit FoldersReported({*line});
    ReportFolderChanges(options);
    ReportSourceSurvey(options);
}

void ScanWorker::ReportSourceSurvey(const ProcessingOptions& options) {
    if (options.singleFileMode) return;
    SourceSurvey survey = SurveySourceFolder(options);
    if (sourceSurvey_ && sourceSurvey_->SameKindsAs(survey)) return;
    if (const QList<LogLine> lines = SurveyLines(survey, options); !lines.isEmpty())
        emit FoldersReported(lines);
    sourceSurvey_ = std::move(survey);
}

void ScanWorker::ReportFolderChanges(const ProcessingOptions& options) {
    std::vector<FolderWarning> warnings = CheckFolders(options);
    if (warnings == folderWarnings_) return;
    emit FoldersReported(FolderChangeLines(folderWarnings_, warnings));
    folderWarnings_ = std::move(warnings);
}

void ScanWorker::RestoreThumbnails(const QStringList& lastSaved) {
    for (int band = 0; band < lastSaved.size(); ++band) {
        const std::optional<QImage> thumbnail =
            LoadRestorableImage(lastSaved[band], QSize(kThumbnailSide, kThumbnailSide));
        if (thumbnail) emit ThumbnailRestored(band, lastSaved[band], *thumbnail);
    }
}
