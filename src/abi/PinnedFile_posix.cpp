// The held file's descriptor named through /proc, or by the file's own name where /proc does not show it.
#include "PinnedFile.h"

#include <QFile>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

bool SameFile(const struct stat& a, const struct stat& b) {
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

} // namespace

int PinnedFile::Open(const QString& path) {
    Close();
    const QByteArray name = QFile::encodeName(path);
    const int fd = ::open(name.constData(), O_RDONLY | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) return errno;
    fd_ = fd;
    const QByteArray descriptorName = "/proc/self/fd/" + QByteArray::number(fd);
    struct stat held {};
    struct stat named {};
    const bool shown =
        ::fstat(fd, &held) == 0 && ::stat(descriptorName.constData(), &named) == 0 && SameFile(held, named);
    libraryName_ = shown ? descriptorName : name;
    return 0;
}

void PinnedFile::Close() {
    // A descriptor only read from loses nothing when closed, so the result is moot.
    if (fd_ >= 0) static_cast<void>(::close(fd_));
    fd_ = -1;
    libraryName_.clear();
}
