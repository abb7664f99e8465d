// POSIX (Linux) realisation of the in-use test, the exclusive open and of setting a file's last-write time.
#include "DosDateTime.h"
#include "ExclusiveFile.h"
#include "OpenFileProbe_posix.h"

#include <QFile>
#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

namespace {

// Owns a directory stream.
class TDirStream {
public:
    explicit TDirStream(const std::string& path) : Dir(opendir(path.c_str())) {}
    ~TDirStream() {
        if (Dir) closedir(Dir);
    }
    TDirStream(const TDirStream&) = delete;
    TDirStream& operator=(const TDirStream&) = delete;

    // The next entry's name, or nullptr at the end (or when the folder could not be opened).
    const char* Next() {
        if (!Dir) return nullptr;
        const dirent* entry = readdir(Dir);
        return entry ? entry->d_name : nullptr;
    }

private:
    DIR* Dir;
};

bool IsNumber(const char* text) {
    if (*text == '\0') return false;
    for (; *text; ++text)
        if (*text < '0' || *text > '9') return false;
    return true;
}

// Any write permission bit counts as writable: root passes access() checks whatever the mode says, so
// the bits themselves stand for the read-only attribute.
bool IsReadOnly(const struct stat& info) {
    return (info.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0;
}

bool IsOpenElsewhere(int fd) {
    switch (ProbeOpenByLease(fd)) {
    case TOpenElsewhere::No:
        return false;
    case TOpenElsewhere::Yes:
        return true;
    case TOpenElsewhere::Unknown:
        break;
    }
    return ProbeOpenByProcScan(fd);
}

} // namespace

TOpenElsewhere ProbeOpenByLease(int fd) {
    if (fcntl(fd, F_SETLEASE, F_WRLCK) == 0) {
        // Holding the lease would make every other open wait for its break; it has answered already.
        fcntl(fd, F_SETLEASE, F_UNLCK);
        return TOpenElsewhere::No;
    }
    return errno == EAGAIN || errno == EBUSY ? TOpenElsewhere::Yes : TOpenElsewhere::Unknown;
}

bool ProbeOpenByProcScan(int fd) {
    struct stat own;
    if (fstat(fd, &own) != 0) return true;
    const std::string ownPid = std::to_string(getpid());
    const std::string ownFd = std::to_string(fd);

    TDirStream processes("/proc");
    while (const char* pid = processes.Next()) {
        if (!IsNumber(pid)) continue;
        const std::string fdFolder = std::string("/proc/") + pid + "/fd/";
        TDirStream descriptors(fdFolder);
        while (const char* descriptor = descriptors.Next()) {
            if (!IsNumber(descriptor) || (pid == ownPid && descriptor == ownFd)) continue;
            struct stat other;
            if (stat((fdFolder + descriptor).c_str(), &other) == 0 && other.st_dev == own.st_dev &&
                other.st_ino == own.st_ino)
                return true;
        }
    }
    return false;
}

bool FileInUse(const QString& path, std::chrono::milliseconds settling) {
    struct stat info {};
    if (lstat(QFile::encodeName(path).constData(), &info) != 0 || !S_ISREG(info.st_mode)) return true;
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    const auto age = std::chrono::seconds(now.tv_sec - info.st_mtim.tv_sec) +
                     std::chrono::nanoseconds(now.tv_nsec - info.st_mtim.tv_nsec);
    return age < settling && age > -settling;
}

TExclusiveFile::TExclusiveFile(const QString& path) {
    const int fd = open(QFile::encodeName(path).constData(), O_RDWR | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (fd < 0) return;
    struct stat info;
    if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode) || IsReadOnly(info) || IsOpenElsewhere(fd)) {
        close(fd);
        return;
    }
    Handle = fd;
}

TExclusiveFile::~TExclusiveFile() {
    if (IsOpen()) close(static_cast<int>(Handle));
}

int SetFileTimeFromDos(TFileHandle file, std::uint32_t dosDateTime) {
    const std::optional<TDateTime> time = UnpackDosDateTime(dosDateTime);
    if (!time) return EINVAL;
    // DOS times are whole (even) seconds.
    const timespec times[2] = {{0, UTIME_OMIT}, {static_cast<time_t>(UnixMsFromDateTime(*time) / 1000), 0}};
    return futimens(static_cast<int>(file), times) == 0 ? 0 : errno;
}
