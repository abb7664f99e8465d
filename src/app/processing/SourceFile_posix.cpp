// POSIX part of the received file's identity and deletion.
#include "SourceFile.h"

#include <QFile>
#include <QFileInfo>
#include <sys/stat.h>
#include <unistd.h>

Result<FileIdentity> IdentifyFile(const QString& path) {
    struct stat status {};
    if (::stat(QFile::encodeName(path).constData(), &status) != 0)
        return errno == ENOENT ? Failure{FailureCode::FileVanished, QStringLiteral("file vanished")}
                               : SystemFailure(FailureCode::FileVanished, "cannot examine " + path);
    if (!S_ISREG(status.st_mode))
        return Failure{FailureCode::NotRegularFile, QStringLiteral("not a regular file")};
    return FileIdentity{static_cast<std::uint64_t>(status.st_dev), static_cast<std::uint64_t>(status.st_ino),
                        static_cast<qint64>(status.st_size),
                        static_cast<std::int64_t>(status.st_mtim.tv_sec) * 1000000000 +
                            status.st_mtim.tv_nsec};
}

Status DeleteIfUnchanged(const QString& path, const FileIdentity& identity) {
    const Result<FileIdentity> now = IdentifyFile(path);
    if (!now) return Failure{FailureCode::CannotDelete, now.failure().message};
    if (*now != identity)
        return Failure{
            FailureCode::CannotDelete,
            QStringLiteral("another file took its place while it was processed; that one is processed "
                           "at the next scan")};
    if (::unlink(QFile::encodeName(path).constData()) != 0)
        return SystemFailure(FailureCode::CannotDelete,
                             "cannot delete " + QFileInfo(path).absoluteFilePath());
    return {};
}
