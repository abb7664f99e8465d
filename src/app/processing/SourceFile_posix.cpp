// POSIX part of the received file's identity, readability and deletion.
#include "SourceFile.h"

#include "UniqueFd.h"

#include <QFile>
#include <QFileInfo>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

std::int64_t Nanoseconds(const timespec& time) {
    return static_cast<std::int64_t>(time.tv_sec) * 1000000000 + time.tv_nsec;
}

// The identity of the file at `encoded`, the path as the file system spells it; `path` gives it as text for a
// failure's reason.
template <typename PathText> Result<FileIdentity> Identify(const char* encoded, const PathText& path) {
    struct stat status {};
    if (::lstat(encoded, &status) != 0) {
        const int error = errno;
        return error == ENOENT ? Failure{FailureCode::FileVanished, QStringLiteral("file vanished")}
                               : SystemFailure(FailureCode::FileVanished, "cannot examine " + path(), error);
    }
    if (S_ISLNK(status.st_mode))
        return Failure{FailureCode::SymbolicLink, QStringLiteral("a symbolic link; not followed")};
    if (!S_ISREG(status.st_mode))
        return Failure{FailureCode::NotRegularFile, QStringLiteral("not a regular file")};
    return FileIdentity{static_cast<std::uint64_t>(status.st_dev),
                        static_cast<std::uint64_t>(status.st_ino),
                        static_cast<qint64>(status.st_size),
                        Nanoseconds(status.st_mtim),
                        Nanoseconds(status.st_ctim),
                        static_cast<unsigned>(status.st_mode & 0666)};
}

} // namespace

Result<FileIdentity> IdentifyFile(const QString& path) {
    return Identify(QFile::encodeName(path).constData(), [&] { return path; });
}

Result<FileIdentity> IdentifyFile(const std::filesystem::path& path) {
    return Identify(path.c_str(), [&] { return QFile::decodeName(path.c_str()); });
}

Status CheckReadable(const QString& path) {
    const UniqueFd file(::open(QFile::encodeName(path).constData(),
                               O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    if (!file.Valid()) {
        const int error = errno; // before the message is built, which may change it
        return SystemFailure(FailureCode::CannotRead, "cannot read " + path, error);
    }
    return {};
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
