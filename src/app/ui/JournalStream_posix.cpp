// POSIX part of the journal test: standard output's device and inode against JOURNAL_STREAM.
#include "JournalStream.h"

#include <QByteArray>
#include <QList>
#include <sys/stat.h>
#include <unistd.h>

bool StandardOutputIsJournal() {
    const QList<QByteArray> fields = qgetenv("JOURNAL_STREAM").split(':');
    if (fields.size() != 2) return false;
    bool deviceOk = false, inodeOk = false;
    const qulonglong device = fields[0].toULongLong(&deviceOk);
    const qulonglong inode = fields[1].toULongLong(&inodeOk);
    struct stat output {};
    return deviceOk && inodeOk && ::fstat(STDOUT_FILENO, &output) == 0 &&
           static_cast<qulonglong>(output.st_dev) == device &&
           static_cast<qulonglong>(output.st_ino) == inode;
}
