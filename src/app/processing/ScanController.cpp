// The processing timer and the worker thread of the scan cycle.
#include "ScanController.h"

#include "ScanWorker.h"

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
}

ScanController::~ScanController() {
    running_ = false;
    thread_.quit();
    thread_.wait();
}

void ScanController::SetRunning(bool running) {
    running_ = running;
    if (!running) {
        timer_.stop();
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

void ScanController::TimerProcessTimer() {
    timer_.stop();
    if (!running_) {
        emit IndicatorChanged(IdleColour());
        return;
    }
    // A Stop and Start during a scan re-arm the timer; the running scan re-arms it again when it ends.
    if (scanInProgress_) return;
    emit IndicatorChanged(ScanningColour());
    scanInProgress_ = true;
    QMetaObject::invokeMethod(worker_, &ScanWorker::RunScan, Qt::QueuedConnection);
}

void ScanController::OnScanFinished() {
    scanInProgress_ = false;
    if (running_) {
        timer_.setInterval(kScanIntervalMs);
        timer_.start();
    }
    emit IndicatorChanged(IdleColour());
    emit ScanEnded(options_.Snapshot().singleFileMode);
}
