// POSIX part of durable publishing: fsync and rename.
#include "DurableFiles.h"

#include <QFile>
#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

bool FlushToDisk(const QString& path) {
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    const bool flushed = ::fsync(fd) == 0;
    ::close(fd);
    return flushed;
}

bool ReplaceFile(const QString& fromPath, const QString& toPath) {
    return std::rename(QFile::encodeName(fromPath).constData(), QFile::encodeName(toPath).constData()) == 0;
}
