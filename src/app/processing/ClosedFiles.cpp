// Files seen closed by their writer.
#include "ClosedFiles.h"

#include <QMutexLocker>

void ClosedFiles::Note(const QString& path, const FileIdentity& identity) {
    QMutexLocker lock(&mutex_);
    closed_.insert(path, identity);
}

bool ClosedFiles::SeenClosed(const QString& path, const FileIdentity& now) const {
    QMutexLocker lock(&mutex_);
    const auto found = closed_.constFind(path);
    return found != closed_.cend() && *found == now;
}

void ClosedFiles::ForgetChanged() {
    QMutexLocker lock(&mutex_);
    closed_.removeIf([](const auto& entry) {
        const Result<FileIdentity> now = IdentifyFile(entry.key());
        return !now || *now != entry.value();
    });
}
