// The processing timer and the worker thread of the scan cycle.
#include "ScanController.h"

#include "ScanList.h"
#include "ScanWorker.h"
#include "SourceWatch.h"

#include <algorithm>

ScanController::ScanController(QObject* parent) : QObject(parent) {
    qRegisterMetaType<FileOutcome>();
    timer_.setInterval(kFirstScanDelayMs);
    connect(&timer_, &QTimer::timeout, this, &ScanController::TimerProcessTimer);

    worker_ = new ScanWorker(options_, running_);
    worker_->moveToThread(&thread_);
    connect(&thread_, &QThread::finished, worker_, &QObject::deleteLater);
    connect(worker_, &ScanWorker::ThumbnailRestored, this, &ScanController::ThumbnailRestored);
    connect(worker_, &ScanWorker::ClearThumbnailsRequested, this, &ScanController::ClearThumbnailsRequested);
    connect(worker_, &ScanWorker::FileReported, this, &ScanController::FileReported);
    connect(worker_, &ScanWorker::FoldersReported, this, &ScanController::FoldersReported);
    connect(worker_, &ScanWorker::ScanFinished, this, &ScanController::OnScanFinished);
    thread_.start();

    watchDelay_.setSingleShot(true);
    connect(&watchDelay_, &QTimer::timeout, this, &ScanController::ScanNow);
    watch_ = new SourceWatch(worker_->Closed());
    watch_->moveToThread(&watchThread_);
    connect(&watchThread_, &QThread::finished, watch_, &QObject::deleteLater);
    connect(watch_, &SourceWatch::FileArrived, this, &ScanController::OnFileArrived);
    connect(watch_, &SourceWatch::Watching, this, &ScanController::SourceWatched);
    connect(watch_, &SourceWatch::WatchReported, this, [this](const QString& line) {
        emit FoldersReported({{line, LogSeverity::Warning}});
    });
    watchThread_.start();
}

ScanController::~ScanController() {
    running_ = false;
    watchThread_.quit();
    watchThread_.wait();
    thread_.quit();
    thread_.wait();
}

void ScanController::PublishOptions(const ProcessingOptions& options) {
    options_.Publish(options);
    UpdateWatch();
}

void ScanController::UpdateWatch() {
    const ProcessingOptions options = options_.Snapshot();
    const bool watch = running_ && options.watchSourceFolder && !options.singleFileMode;
    const QString folder = watch ? options.sourcePath : QString();
    const QString maskName = ScanMask(folder, options.satelliteName).mid(folder.size());
    QMetaObject::invokeMethod(
        watch_, [watch = watch_, folder, maskName] { watch->Watch(folder, maskName); }, Qt::QueuedConnection);
}

void ScanController::OnFileArrived() {
    if (!running_) return;
    if (scanInProgress_ || paused_) {
        arrivedMeanwhile_ = true;
        return;
    }
    ScheduleWatchedScan();
}

void ScanController::ScheduleWatchedScan() {
    if (!watchDelay_.isActive()) firstArrival_.start();
    const qint64 latest = kWatchLongestWaitMs - firstArrival_.elapsed();
    watchDelay_.start(static_cast<int>(std::clamp<qint64>(latest, 0, kWatchQuietMs)));
}

void ScanController::SetRunning(bool running) {
    running_ = running;
    paused_ = false;
    UpdateWatch();
    if (!running) {
        timer_.stop();
        watchDelay_.stop();
        arrivedMeanwhile_ = false;
        emit RunningChanged(false);
        return;
    }
    timer_.start();
    QMetaObject::invokeMethod(worker_, &ScanWorker::CheckFoldersAtStart, Qt::QueuedConnection);
    emit RunningChanged(true);
}

void ScanController::RestoreThumbnails(const QStringList& lastSaved) {
    QMetaObject::invokeMethod(
        worker_, [worker = worker_, lastSaved] { worker->RestoreThumbnails(lastSaved); },
        Qt::QueuedConnection);
}

QDateTime ScanController::NextScanAt() const {
    if (!running_ || !timer_.isActive()) return {};
    return QDateTime::currentDateTimeUtc().addMSecs(timer_.remainingTime());
}

void ScanController::ScanNow() {
    if (!running_ || scanInProgress_) return;
    TimerProcessTimer();
}

void ScanController::PauseCycle() {
    paused_ = true;
    timer_.stop();
    if (watchDelay_.isActive()) {
        watchDelay_.stop();
        arrivedMeanwhile_ = true;
    }
}

void ScanController::ResumeCycle() {
    paused_ = false;
    // A scan under way arms the cycle when it ends.
    if (!running_ || scanInProgress_) return;
    timer_.start();
    if (std::exchange(arrivedMeanwhile_, false)) ScheduleWatchedScan();
}

void ScanController::TimerProcessTimer() {
    timer_.stop();
    // A Stop and Start during a scan re-arm the timer; the running scan re-arms it again when it ends.
    if (!running_ || scanInProgress_ || paused_) return;
    emit ScanStarted();
    scanInProgress_ = true;
    QMetaObject::invokeMethod(worker_, &ScanWorker::RunScan, Qt::QueuedConnection);
}

void ScanController::OnScanFinished() {
    scanInProgress_ = false;
    if (running_) {
        timer_.setInterval(kScanIntervalMs);
        // A folder that went and came back is watched again.
        UpdateWatch();
        if (!paused_) {
            timer_.start();
            if (std::exchange(arrivedMeanwhile_, false)) ScheduleWatchedScan();
        }
    }
    emit ScanEnded(options_.Snapshot().singleFileMode);
}
