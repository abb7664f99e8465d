// The device that published files are written into: a new file on a POSIX descriptor whose every write,
// fsync and close is checked, because QSaveFile::commit() can report success after its last buffered write
// failed on a full disk.
#pragma once

#include "DateTime.h"
#include "Failure.h"

#include <QIODevice>
#include <QString>
#include <optional>

class FileSink : public QIODevice {
public:
    // Failures name shownPath (the file's published name), whatever path the bytes go to.
    explicit FileSink(QString shownPath);
    // Closes a file that was not finished, without flushing it.
    ~FileSink() override;
    FileSink(const FileSink&) = delete;
    FileSink& operator=(const FileSink&) = delete;

    // Creates path for writing with at most these permissions (less the umask's), replacing any file there.
    Status Create(const QString& path, unsigned permissions);
    // Opens a regular file that another writer has finished at path, so that it can be stamped and finished
    // like a file written here; its size so far counts as written, and permissions beyond these are taken
    // away.
    Status Adopt(const QString& path, unsigned permissions);
    // Sets the modification time to `time` at the two-second resolution of a DOS date-time; 0, or a time
    // outside the years a DOS date-time holds, leaves it.
    Status Stamp(TDateTime time);
    // Flushes the bytes and the time to disk, checks that the file holds exactly the bytes written, and
    // closes it.
    Status Finish();

    // The first failure of a write, flush or close; a write after it fails at once.
    const std::optional<Failure>& WriteFailure() const { return failure_; }

    bool isSequential() const override { return true; }

protected:
    qint64 readData(char* data, qint64 maxSize) override;
    qint64 writeData(const char* data, qint64 size) override;

private:
    // Keeps the system's reason for errno value `error` unless a failure is kept already.
    void Fail(int error);
    bool FlushAndCheckSize();
    bool CloseDescriptor();

    QString shownPath_;
    int descriptor_ = -1;
    qint64 written_ = 0;
    std::optional<Failure> failure_;
};
