// POSIX part of durable publishing: flushing a folder and renaming.
#include "PublishFile.h"

#include <QFile>
#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

int FlushFolderToDisk(const QString& folder) {
    const int descriptor = ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (descriptor < 0) return errno;
    int error = ::fsync(descriptor) == 0 ? 0 : errno;
    if (::close(descriptor) != 0 && error == 0) error = errno;
    return error;
}

int ReplaceFile(const QString& fromPath, const QString& toPath) {
    return std::rename(QFile::encodeName(fromPath).constData(), QFile::encodeName(toPath).constData()) == 0
               ? 0
               : errno;
}
