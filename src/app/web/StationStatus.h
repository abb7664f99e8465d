// The station's state as the window learns it from the scan, kept for the web page. The window thread feeds
// it; every change is published as a fresh snapshot that any thread may take, so a reader never holds the
// window up for longer than it takes to copy a pointer.
#pragma once

#include "FileOutcome.h"
#include "StationSnapshot.h"

#include <QMutex>
#include <QSet>
#include <QStringList>
#include <memory>

class StationStatus {
public:
    StationStatus(const QString& instance, const QString& version, const QDateTime& started);

    // Any thread.
    std::shared_ptr<const StationSnapshot> Snapshot() const;

    // The rest on the window thread only.
    void SetCaption(const QString& caption);
    void SetRunning(bool running, const QDateTime& nextScan);
    void ScanStarted(const QDateTime& at);
    // wholeFolder: the scan looked at every file of the source folder, so a staying file that it did not
    // report has gone.
    void ScanEnded(const QDateTime& at, const QDateTime& nextScan, bool wholeFolder);
    void AddLogLines(const QStringList& lines);
    void AddOutcome(const FileOutcome& outcome, const QDateTime& at);
    // The band's newest image; a null thumbnail keeps the picture shown, as the Images tab does.
    void SetImage(int band, const QString& path, const QString& hint, const QImage& thumbnail);
    void ClearThumbnails();
    // The reduced view of the band's image at path; dropped when the band has had a newer image since.
    void SetView(int band, const QString& path, const QByteArray& jpeg);

private:
    void Publish();
    // SetImage without publishing; none for a band that does not exist.
    BandImage* ChangeImage(int band, const QString& path, const QString& hint, const QImage& thumbnail);

    StationSnapshot state_;
    QSet<QString> reportedInScan_;
    mutable QMutex mutex_;
    std::shared_ptr<const StationSnapshot> published_;
};
