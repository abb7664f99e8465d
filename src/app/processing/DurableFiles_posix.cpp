// POSIX part of durable copies: opening and reading a source, removing a file.
#include "DurableFiles.h"

#include <QFile>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

Failure SystemReason(int error) {
    return {FailureCode::CannotCopy, QString::fromLocal8Bit(std::strerror(error))};
}

} // namespace

Status RemoveFileIfPresent(const QString& path) {
    if (::unlink(QFile::encodeName(path).constData()) == 0 || errno == ENOENT) return {};
    const int error = errno; // before the message is built, which may change it
    return SystemFailure(FailureCode::CannotDelete, QStringLiteral("cannot remove %1").arg(path), error);
}

Result<OpenedSource> OpenSourceFile(const QString& path) {
    UniqueFd file(::open(QFile::encodeName(path).constData(), O_RDONLY | O_NOFOLLOW | O_NOCTTY | O_CLOEXEC));
    if (!file.Valid())
        return errno == ELOOP
                   ? Failure{FailureCode::CannotCopy, QStringLiteral("a symbolic link; not followed")}
                   : SystemReason(errno);
    struct stat status {};
    if (::fstat(file.Get(), &status) != 0) return SystemReason(errno);
    return OpenedSource{std::move(file), static_cast<unsigned>(status.st_mode & kUsualPermissions)};
}

Result<qint64> ReadSome(const UniqueFd& file, char* buffer, qint64 size) {
    for (;;) {
        const ssize_t got = ::read(file.Get(), buffer, static_cast<size_t>(size));
        if (got >= 0) return static_cast<qint64>(got);
        if (errno != EINTR) return SystemReason(errno);
    }
}
