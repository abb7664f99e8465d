// The station's state as the window learns it from the scan, kept for the web page. The window thread feeds
// it; every change is published as a fresh snapshot that any thread may take, so a reader never holds the
// window up for longer than it takes to copy a pointer.
#pragma once

#include "FileOutcome.h"
#include "StationSnapshot.h"
#include "StayingRecord.h"

#include <QHash>
#include <QMutex>
#include <QSet>
#include <QStringList>
#include <memory>

class StationStatus {
public:
    // earlier: when each file that stayed at the end of an earlier run was first reported; a file reported
    // staying again keeps that time.
    StationStatus(const QString& instance, const QString& version, const QDateTime& started,
                  StayingSince earlier = {});

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
    // Counts the file, unless it is a failed file reported again unchanged since its failure was counted.
    void AddOutcome(const FileOutcome& outcome, const QDateTime& at);
    // When each staying file was first reported, the earlier run's files not yet reported again included:
    // what the record keeps for the next start.
    StayingSince Since() const;
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
    // The failed files already counted, by path, as they were when their failure was counted.
    QHash<QString, std::optional<FileIdentity>> countedFailures_;
    StayingSince earlier_; // until a scan has looked at the whole folder
    mutable QMutex mutex_;
    std::shared_ptr<const StationSnapshot> published_;
};
