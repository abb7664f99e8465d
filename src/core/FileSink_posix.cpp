// The checked file device's system calls.
#include "FileSink.h"

#include <QFile>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

FileSink::~FileSink() {
    // Only an unfinished file is closed here, and it is never published: Finish closes and checks.
    if (descriptor_ >= 0) static_cast<void>(::close(descriptor_));
}

Status FileSink::Create(const QString& path, unsigned permissions) {
    const QByteArray name = QFile::encodeName(path);
    // A file left under this name (by a killed run) is replaced, not reused: it might have wider permissions.
    if (::unlink(name.constData()) != 0 && errno != ENOENT) {
        Fail(errno);
        return *failure_;
    }
    descriptor_ = ::open(name.constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC,
                         static_cast<mode_t>(permissions));
    if (descriptor_ < 0) {
        Fail(errno);
        return *failure_;
    }
    QIODevice::open(QIODevice::WriteOnly | QIODevice::Unbuffered);
    return {};
}

Status FileSink::Adopt(const QString& path, unsigned permissions) {
    descriptor_ = ::open(QFile::encodeName(path).constData(), O_WRONLY | O_NOFOLLOW | O_CLOEXEC);
    if (descriptor_ < 0) {
        Fail(errno);
        return *failure_;
    }
    struct stat status {};
    if (::fstat(descriptor_, &status) != 0) {
        Fail(errno);
        return *failure_;
    }
    if (!S_ISREG(status.st_mode)) {
        Fail(EINVAL);
        return *failure_;
    }
    const mode_t allowed = status.st_mode & static_cast<mode_t>(permissions) & 0777;
    if ((status.st_mode & 07777) != allowed && ::fchmod(descriptor_, allowed) != 0) {
        Fail(errno);
        return *failure_;
    }
    written_ = static_cast<qint64>(status.st_size);
    QIODevice::open(QIODevice::WriteOnly | QIODevice::Unbuffered);
    return {};
}

bool FileSink::FlushAndCheckSize() {
    if (::fsync(descriptor_) != 0) {
        Fail(errno);
        return false;
    }
    struct stat status {};
    if (::fstat(descriptor_, &status) != 0) {
        Fail(errno);
        return false;
    }
    if (status.st_size != written_) {
        failure_ = Failure{FailureCode::CannotWrite,
                           QStringLiteral("cannot write %1: %2 of %3 bytes reached the disk")
                               .arg(shownPath_)
                               .arg(status.st_size)
                               .arg(written_)};
        return false;
    }
    return true;
}

bool FileSink::CloseDescriptor() {
    // The descriptor is gone after close() whatever it answers, EINTR included.
    const int result = ::close(descriptor_);
    descriptor_ = -1;
    if (result != 0) {
        Fail(errno);
        return false;
    }
    return true;
}
