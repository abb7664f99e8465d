// The scan cycle as the window drives it: the processing timer, Running, and a worker thread that runs one
// scan at a time and reports every outcome back in order.
#pragma once

#include "FileOutcome.h"
#include "LogLine.h"
#include "SharedOptions.h"

#include <QDateTime>
#include <QElapsedTimer>
#include <QObject>
#include <QThread>
#include <QTimer>
#include <atomic>

class ScanWorker;
class SourceWatch;

inline constexpr int kFirstScanDelayMs = 100;
inline constexpr int kScanIntervalMs = 50000;
// With the source folder watched, a scan starts once files have stopped arriving for this long, or this long
// after the first of them at the latest, so that the sixteen bands of a scan are taken in one.
inline constexpr int kWatchQuietMs = 1000;
inline constexpr int kWatchLongestWaitMs = 5000;

class ScanController : public QObject {
    Q_OBJECT
public:
    explicit ScanController(QObject* parent = nullptr);
    ~ScanController() override;

    // When the processing timer (100 ms until a scan has ended while running, 50 s from then on) starts the
    // next scan; null while none is due (stopped, a scan under way, or the cycle paused).
    QDateTime NextScanAt() const;
    // Starts a scan at once, as the timer would, while running and no scan is under way.
    void ScanNow();
    // Holds the cycle while the window asks a question, so that no scan begins meanwhile, neither by the
    // timer nor for a file that arrives; ResumeCycle arms it again and scans for what arrived.
    void PauseCycle();
    void ResumeCycle();

    bool Running() const { return running_; }
    // Start or Stop: switches Running and the timer; a running scan ends before its next file.
    void SetRunning(bool running);
    bool ScanInProgress() const { return scanInProgress_; }

    // Reads back the last saved image of each band (by band index) on the worker thread, ahead of any scan.
    void RestoreThumbnails(const QStringList& lastSaved);

    // The options that the next file will be processed with; the source folder's watch follows them.
    void PublishOptions(const ProcessingOptions& options);
    // The options last published; safe to call from any thread.
    ProcessingOptions Options() const { return options_.Snapshot(); }

signals:
    // Start or Stop, after the timer has been switched with it.
    void RunningChanged(bool running);
    // A scan has begun (its end is ScanEnded).
    void ScanStarted();
    void ThumbnailRestored(int band, const QString& path, const QImage& thumbnail);
    void ClearThumbnailsRequested();
    void FileReported(const FileOutcome& outcome);
    // Lines on folders that became unusable or usable again, at Start and when a scan finds a change, on what
    // the source folder holds that no scan takes, and on old or left-over files removed from them.
    void FoldersReported(const QList<LogLine>& lines);
    // The source folder is watched from now on (WatchSourceFolder).
    void SourceWatched(const QString& folder);
    // A scan has ended, after the timer was re-armed; singleFile when it processed only the command-line
    // file.
    void ScanEnded(bool singleFile);

private slots:
    void TimerProcessTimer();
    void OnScanFinished();
    void OnFileArrived();

private:
    // Watches the source folder while running, when the options ask for it.
    void UpdateWatch();
    void ScheduleWatchedScan();

    SharedOptions options_;
    std::atomic_bool running_{false};
    bool scanInProgress_ = false;
    QTimer timer_;
    QThread thread_;
    ScanWorker* worker_ = nullptr; // lives on thread_, deleted when it finishes
    // The watch reads its events on a thread of its own, so that a slow folder never holds up the window.
    QThread watchThread_;
    SourceWatch* watch_ = nullptr; // lives on watchThread_, deleted when it finishes
    QTimer watchDelay_;
    QElapsedTimer firstArrival_;
    bool paused_ = false;
    bool arrivedMeanwhile_ = false; // during a scan or a pause
};
