// Watches the source folder for received files that their writer closes or that are moved in, so that a
// scan can start at once instead of at the next turn of the 50 s cycle, which stays as the fallback (a
// folder on a network mount, where files written by another machine raise no event).
#pragma once

#include "ClosedFiles.h"
#include "Failure.h"

#include <QObject>
#include <QString>
#include <memory>

class SourceWatch : public QObject {
    Q_OBJECT
public:
    // Notes each file seen closed in `closed`.
    explicit SourceWatch(ClosedFiles& closed, QObject* parent = nullptr);
    ~SourceWatch() override;

public slots:
    // Watches folder (ending with a separator) for names that match the scan mask (its file-name part);
    // an empty folder stops watching. A watch that cannot be set up, or may not see every file, is said in
    // WatchReported, once for each folder.
    void Watch(const QString& folder, const QString& maskName);

signals:
    // The watch of this folder is set up; nothing that arrives from now on is missed.
    void Watching(const QString& folder);
    // A matching file was closed after writing or moved in.
    void FileArrived();
    // Why the watch cannot be relied upon (set up failed, or a network mount); the cycle carries on.
    void WatchReported(const QString& line);

private:
    struct ActiveWatch;
    void ReadEvents();

    ClosedFiles& closed_;
    std::unique_ptr<ActiveWatch> watching_;
    QString reportedFolder_;
};
