// POSIX (Linux) realisation of the in-use test, the exclusive open and of setting a file's last-write time.
#include "DosDateTime.h"
#include "ExclusiveFile.h"
#include "OpenFileProbe_posix.h"
#include "OwnProcesses.h"

#include <QFile>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <optional>
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
    // The folder's own descriptor, for looking up its entries; -1 when it could not be opened.
    int Descriptor() const { return Dir ? dirfd(Dir) : -1; }

private:
    DIR* Dir;
};

// The decimal number that a /proc entry's name is; nullopt for any other name.
std::optional<long> NumberNamed(const char* text) {
    if (*text == '\0') return std::nullopt;
    long number = 0;
    for (; *text; ++text) {
        if (*text < '0' || *text > '9' || number > (LONG_MAX - 9) / 10) return std::nullopt;
        number = number * 10 + (*text - '0');
    }
    return number;
}

bool SameFile(const struct stat& a, const struct stat& b) {
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

// Calls `counts(pid, descriptor)` for every descriptor on the file in the processes under /proc that
// `skipProcess(pid)` does not rule out, and answers whether it accepted one.
template <typename SkipProcess, typename Counts>
bool AnyDescriptorOn(const struct stat& file, SkipProcess skipProcess, Counts counts) {
    TDirStream processes("/proc");
    while (const char* process = processes.Next()) {
        const std::optional<long> pid = NumberNamed(process);
        if (!pid || skipProcess(*pid)) continue;
        TDirStream descriptors(std::string("/proc/") + process + "/fd");
        while (const char* descriptor = descriptors.Next()) {
            const std::optional<long> number = NumberNamed(descriptor);
            struct stat other;
            if (number && fstatat(descriptors.Descriptor(), descriptor, &other, 0) == 0 &&
                SameFile(other, file) && counts(*pid, *number))
                return true;
        }
    }
    return false;
}

// Whether /proc says that the process opened the descriptor for writing. A process that has ended or closed
// it meanwhile does not write.
bool OpenedForWriting(long pid, long descriptor) {
    const std::string path = "/proc/" + std::to_string(pid) + "/fdinfo/" + std::to_string(descriptor);
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    char text[4096];
    const ssize_t length = read(fd, text, sizeof text - 1);
    // Closing a descriptor that was only read from cannot lose anything.
    (void)close(fd);
    if (length <= 0) return false;
    text[length] = '\0';
    // "pos:\t0\nflags:\t0100001\n...", the flags in octal.
    const char* flags = std::strstr(text, "flags:");
    if (flags == nullptr) return false;
    const long accessMode = std::strtol(flags + std::strlen("flags:"), nullptr, 8) & O_ACCMODE;
    return accessMode == O_WRONLY || accessMode == O_RDWR;
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
    const long ownPid = getpid();
    return AnyDescriptorOn(
        own, [](long) { return false; },
        [&](long pid, long descriptor) { return pid != ownPid || descriptor != fd; });
}

bool ProbeOpenForWritingByProcScan(const struct stat& file) {
    return AnyDescriptorOn(file, IsOwnProcess, OpenedForWriting);
}

bool RecentlyModified(const QString& path, std::chrono::milliseconds settling) {
    struct stat info {};
    if (lstat(QFile::encodeName(path).constData(), &info) != 0 || !S_ISREG(info.st_mode)) return true;
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    const auto age = std::chrono::seconds(now.tv_sec - info.st_mtim.tv_sec) +
                     std::chrono::nanoseconds(now.tv_nsec - info.st_mtim.tv_nsec);
    return age < settling && age > -settling;
}

bool HeldOpenForWriting(const QString& path) {
    struct stat info {};
    if (lstat(QFile::encodeName(path).constData(), &info) != 0 || !S_ISREG(info.st_mode)) return false;
    return ProbeOpenForWritingByProcScan(info);
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
