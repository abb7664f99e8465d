// The station's state and its publication as snapshots.
#include "StationStatus.h"

#include "ScanReports.h"

#include <QMutexLocker>

StationStatus::StationStatus(const QString& instance, const QString& version, const QDateTime& started,
                             StayingSince earlier)
    : earlier_(std::move(earlier)) {
    state_.instance = instance;
    state_.version = version;
    state_.started = started;
    Publish();
}

std::shared_ptr<const StationSnapshot> StationStatus::Snapshot() const {
    QMutexLocker lock(&mutex_);
    return published_;
}

void StationStatus::Publish() {
    auto next = std::make_shared<const StationSnapshot>(state_);
    QMutexLocker lock(&mutex_);
    published_ = std::move(next);
}

void StationStatus::SetCaption(const QString& caption) {
    state_.caption = caption;
    Publish();
}

void StationStatus::SetRunning(bool running, const QDateTime& nextScan) {
    state_.running = running;
    state_.nextScan = nextScan;
    Publish();
}

void StationStatus::ScanStarted(const QDateTime& at) {
    state_.scanning = true;
    state_.lastScanStart = at;
    state_.nextScan = {};
    reportedInScan_.clear();
    Publish();
}

void StationStatus::ScanEnded(const QDateTime& at, const QDateTime& nextScan, bool wholeFolder) {
    state_.scanning = false;
    state_.lastScanEnd = at;
    state_.nextScan = nextScan;
    if (wholeFolder) {
        state_.staying.removeIf([this](QMap<QString, StayingFile>::iterator file) {
            return !reportedInScan_.contains(file.key());
        });
        countedFailures_.removeIf([this](QHash<QString, std::optional<FileIdentity>>::iterator file) {
            return !reportedInScan_.contains(file.key());
        });
        earlier_.clear();
    }
    Publish();
}

void StationStatus::AddLogLines(const QStringList& lines) {
    for (const QString& line : lines) state_.log.append({line, IsFileFailureLine(line)});
    if (state_.log.size() > kPageLogLines) state_.log.remove(0, state_.log.size() - kPageLogLines);
    Publish();
}

void StationStatus::AddOutcome(const FileOutcome& outcome, const QDateTime& at) {
    const QString& path = outcome.sourcePath;
    reportedInScan_.insert(path);
    FileCounts& counts = state_.counts;
    const bool failed = !outcome.Processed() && outcome.skipReason == SkipReason::None;
    if (outcome.Processed())
        ++counts.processed;
    else if (!failed)
        ++counts.skipped;
    if (!failed) {
        countedFailures_.remove(path);
    } else if (const auto counted = countedFailures_.constFind(path);
               counted == countedFailures_.cend() || *counted != outcome.identity) {
        ++counts.failed;
        countedFailures_.insert(path, outcome.identity);
    }

    if (const std::optional<QString> reason = StayingReason(outcome)) {
        const auto staying = state_.staying.constFind(path);
        const QDateTime since = staying != state_.staying.cend() ? staying->since : earlier_.take(path);
        state_.staying.insert(path, {*reason, since.isValid() ? since : at});
    } else {
        state_.staying.remove(path);
        earlier_.remove(path);
    }

    if (outcome.Processed()) {
        if (outcome.incomplete) ++counts.incomplete;
        state_.lastProcessed = at;
        if (BandImage* image = ChangeImage(outcome.BandIndex(), outcome.imagePath, ThumbnailHint(outcome),
                                           outcome.thumbnail)) {
            image->completeness = outcome.completeness;
            image->incomplete = outcome.incomplete;
            image->scanMode = outcome.name ? outcome.name->scanMode : 0;
        }
    }
    Publish();
}

StayingSince StationStatus::Since() const {
    StayingSince since = earlier_;
    for (auto file = state_.staying.cbegin(); file != state_.staying.cend(); ++file)
        since.insert(file.key(), file->since);
    return since;
}

void StationStatus::SetImage(int band, const QString& path, const QString& hint, const QImage& thumbnail) {
    ChangeImage(band, path, hint, thumbnail);
    Publish();
}

BandImage* StationStatus::ChangeImage(int band, const QString& path, const QString& hint,
                                      const QImage& thumbnail) {
    if (band < 0 || band >= kBandCount) return nullptr;
    BandImage& image = state_.bands[band];
    if (image.path != path) {
        image.view.clear();
        image.completeness = {};
        image.incomplete = false;
        image.scanMode = 0;
    }
    image.path = path;
    image.hint = hint;
    if (!thumbnail.isNull()) image.thumbnail = thumbnail;
    return &image;
}

void StationStatus::ClearThumbnails() {
    for (BandImage& image : state_.bands) image.thumbnail = QImage();
    Publish();
}

void StationStatus::SetView(int band, const QString& path, const QByteArray& jpeg) {
    if (band < 0 || band >= kBandCount || state_.bands[band].path != path) return;
    state_.bands[band].view = jpeg;
    Publish();
}
