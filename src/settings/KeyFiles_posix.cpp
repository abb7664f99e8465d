// The store's files on POSIX: reading, the writers' lock, permissions, publishing and setting aside.
#include "KeyFiles.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QIODevice>
#include <QStandardPaths>
#include <QThread>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const QString kVendor = QStringLiteral("Nimbrel");
constexpr int kLockWaitMs = 3000;
// Names tried for a damaged file set aside within one second.
constexpr int kAsideNames = 100;

QByteArray Native(const QString& path) {
    return QFile::encodeName(path);
}

// An exclusive lock on the vendor folder among the writers of all keys, waited for a few seconds; the system
// drops it when its holder ends, so a crashed writer leaves nothing behind. On a file system without locks
// the writers go unlocked.
class TFolderLock {
public:
    explicit TFolderLock(const QString& folder)
        : Fd(::open(Native(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC)) {
        if (Fd < 0) {
            Outcome = SystemFailure(FailureCode::CannotWrite, "cannot lock settings folder " + folder);
            return;
        }
        for (int waited = 0; waited < kLockWaitMs; ++waited) {
            if (::flock(Fd, LOCK_EX | LOCK_NB) == 0) return;
            if (errno != EWOULDBLOCK && errno != EINTR) return;
            QThread::msleep(1);
        }
        Outcome = Failure{FailureCode::CannotWrite,
                          "settings folder " + folder + " stays locked by another writer"};
    }
    ~TFolderLock() {
        // Closing drops the lock; a lock descriptor has nothing written to lose.
        if (Fd >= 0) static_cast<void>(::close(Fd));
    }
    TFolderLock(const TFolderLock&) = delete;
    TFolderLock& operator=(const TFolderLock&) = delete;

    const Status& Held() const { return Outcome; }

private:
    int Fd;
    Status Outcome;
};

QString SystemReason(int error) {
    return QString::fromLocal8Bit(std::strerror(error));
}

// Whether this process may write `path` by its permission bits as well as by the system's answer.
Status CheckWritableEntry(const QString& path, const QString& what, int access) {
    struct stat status {};
    if (::stat(Native(path).constData(), &status) != 0)
        return Failure{FailureCode::CannotWrite,
                       QStringLiteral("%1 %2 cannot be examined (%3)").arg(what, path, SystemReason(errno))};
    const bool permitted = (status.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) != 0;
    if (permitted && ::access(Native(path).constData(), access) == 0) return {};
    if (!permitted || errno == EACCES)
        return Failure{FailureCode::CannotWrite, QStringLiteral("%1 %2 is read-only").arg(what, path)};
    return Failure{FailureCode::CannotWrite,
                   QStringLiteral("%1 %2 cannot be written (%3)").arg(what, path, SystemReason(errno))};
}

// The file a change goes to: a symbolic link's target, so that a linked settings file stays linked.
QString ChangedPath(const QString& path) {
    const QFileInfo info(path);
    return info.isSymLink() ? info.symLinkTarget() : path;
}

} // namespace

QString KeyFilePath(const QString& keyName) {
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + '/' + kVendor + '/' +
           keyName + ".conf";
}

Result<TKeyFile> ReadKeyFile(const QString& path) {
    const QFileInfo info(path);
    if (!info.exists()) return TKeyFile{};
    // Nothing but a regular file is opened: a pipe would never answer.
    if (!info.isFile()) return Failure{FailureCode::CannotRead, QStringLiteral("not a regular file")};
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return Failure{FailureCode::CannotRead, file.errorString()};
    struct stat status {};
    if (::fstat(file.handle(), &status) != 0) return Failure{FailureCode::CannotRead, SystemReason(errno)};
    // Never more than the largest file and one byte: a huge file is refused as quickly as a small one.
    const QByteArray bytes = file.read(kLargestKeyFile + 1);
    if (file.error() != QFileDevice::NoError) return Failure{FailureCode::CannotRead, file.errorString()};
    if (bytes.size() > kLargestKeyFile) {
        const std::optional<QString> tooLong = TKeyFileText::FirstTooLongSetting(bytes);
        return Failure{
            FailureCode::SettingsDamaged,
            tooLong ? QStringLiteral("%1 is longer than %2 bytes").arg(*tooLong).arg(kLongestSettingLine)
                    : QStringLiteral("it is larger than %1 bytes").arg(kLargestKeyFile)};
    }
    Result<TKeyFileText> text = TKeyFileText::Parse(bytes);
    if (!text) return text.failure();
    return TKeyFile{true, static_cast<unsigned>(status.st_mode) & kUsualPermissions, std::move(*text)};
}

Status CheckKeyFileWritable(const QString& path) {
    const QString target = ChangedPath(path);
    const QFileInfo file(target);
    if (file.exists() || file.isSymLink()) {
        if (!file.isFile())
            return Failure{FailureCode::CannotWrite, "Settings file " + target + " is not a file"};
        return CheckWritableEntry(target, QStringLiteral("Settings file"), W_OK);
    }
    // The folder, or the nearest one on its way that exists, where the missing ones would be made.
    QString folder = file.absolutePath();
    while (!QFileInfo(folder).exists() && !QFileInfo(folder).isSymLink() &&
           QFileInfo(folder).path() != folder)
        folder = QFileInfo(folder).path();
    if (!QFileInfo(folder).isDir())
        return Failure{FailureCode::CannotWrite, "Settings folder " + folder + " is not a folder"};
    return CheckWritableEntry(folder, QStringLiteral("Settings folder"), W_OK | X_OK);
}

Status WriteKeyFileValue(const QString& keyName, const QString& name, const QByteArray& escapedValue) {
    const QString path = KeyFilePath(keyName);
    const QString target = ChangedPath(path);
    if (Status writable = CheckKeyFileWritable(path); !writable) return writable;
    const QString folder = QFileInfo(path).path();
    if (!QDir().mkpath(folder) || !QDir().mkpath(QFileInfo(target).path()))
        return Failure{FailureCode::CannotCreateFolder, "cannot make settings folder " + folder};
    const TFolderLock writing(folder);
    if (!writing.Held()) return writing.Held();

    const Result<TKeyFile> current = ReadKeyFile(target);
    if (!current)
        return Failure{current.failure().code, "cannot read " + target + ": " + current.failure().message};
    const QByteArray changed = current->Text.WithValue(name, escapedValue);
    if (current->Exists && changed == current->Text.Text()) return {};
    return PublishFile(
        target,
        [&](QIODevice& sink) -> Status {
            if (sink.write(changed) != changed.size())
                return Failure{FailureCode::CannotWrite, sink.errorString()};
            return {};
        },
        0, current->Permissions);
}

Result<QString> SetKeyFileAside(const QString& path) {
    const QString stamp = QDateTime::currentDateTimeUtc().toString(QStringLiteral("yyyyMMdd'T'HHmmss'Z'"));
    for (int attempt = 1; attempt <= kAsideNames; ++attempt) {
        const QString aside =
            path + ".unreadable-" + stamp + (attempt == 1 ? QString() : '-' + QString::number(attempt));
        if (::renameat2(AT_FDCWD, Native(path).constData(), AT_FDCWD, Native(aside).constData(),
                        RENAME_NOREPLACE) == 0)
            return aside;
        if (errno != EEXIST) return SystemFailure(FailureCode::CannotWrite, "cannot rename it");
    }
    return Failure{FailureCode::CannotWrite,
                   QStringLiteral("cannot rename it: every name it could take is taken")};
}
