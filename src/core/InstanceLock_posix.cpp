// POSIX part of the instance lock: flock on a file in a folder that only this user may enter.
#include "InstanceLock.h"

#include <QFile>
#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr mode_t kPrivateFolder = 0700;
constexpr mode_t kPrivateFile = 0600;
constexpr ssize_t kLongestPidText = 32;

// The folder may lie in /tmp, where anyone could have made it first: it must be a real folder of our own.
Status MakePrivateFolder(const QString& folder) {
    const QByteArray path = QFile::encodeName(folder);
    if (::mkdir(path.constData(), kPrivateFolder) != 0 && errno != EEXIST)
        return SystemFailure(FailureCode::CannotLock, QStringLiteral("cannot create %1").arg(folder));
    struct stat status {};
    if (::lstat(path.constData(), &status) != 0)
        return SystemFailure(FailureCode::CannotLock, QStringLiteral("cannot examine %1").arg(folder));
    if (!S_ISDIR(status.st_mode) || status.st_uid != ::getuid())
        return Failure{FailureCode::CannotLock,
                       QStringLiteral("%1 is not a folder of this user").arg(folder)};
    return {};
}

// The process id the holder wrote, or empty while it has not written it yet.
QString HolderPid(int fd) {
    char text[kLongestPidText] = {};
    const ssize_t count = ::pread(fd, text, sizeof text - 1, 0);
    return count > 0 ? QString::fromLatin1(text, count).trimmed() : QString();
}

Status WriteOwnPid(int fd, const QString& lockPath) {
    const QByteArray pid = QByteArray::number(::getpid()) + '\n';
    if (::ftruncate(fd, 0) != 0 || ::pwrite(fd, pid.constData(), pid.size(), 0) != pid.size())
        return SystemFailure(FailureCode::CannotLock, QStringLiteral("cannot write %1").arg(lockPath));
    return {};
}

} // namespace

Result<TInstanceLock> TInstanceLock::Acquire(const QString& folder, const QString& name) {
    if (const Status made = MakePrivateFolder(folder); !made) return made.failure();
    const QString lockPath = folder + QStringLiteral("/") + name + QStringLiteral(".lock");
    const int fd = ::open(QFile::encodeName(lockPath).constData(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW,
                          kPrivateFile);
    if (fd < 0) return SystemFailure(FailureCode::CannotLock, QStringLiteral("cannot open %1").arg(lockPath));
    TInstanceLock lock(fd);
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        if (errno != EWOULDBLOCK)
            return SystemFailure(FailureCode::CannotLock, QStringLiteral("cannot lock %1").arg(lockPath));
        const QString pid = HolderPid(fd);
        const QString holder = pid.isEmpty() ? QString() : QStringLiteral(" (process %1)").arg(pid);
        return Failure{FailureCode::AlreadyRunning,
                       QStringLiteral("instance \"%1\" is already running%2").arg(name, holder)};
    }
    if (const Status written = WriteOwnPid(fd, lockPath); !written) return written.failure();
    return lock;
}

TInstanceLock::TInstanceLock(TInstanceLock&& other) noexcept : Handle(other.Handle) {
    other.Handle = kNoHandle;
}

TInstanceLock::~TInstanceLock() {
    if (Handle != kNoHandle) ::close(static_cast<int>(Handle));
}
