// The source folder's watch on Linux: inotify, read through a socket notifier on the watch's thread.
#include "SourceWatch.h"

#include "UniqueFd.h"
#include "Utils.h"

#include <QFile>
#include <QSocketNotifier>

#include <array>
#include <cerrno>
#include <cstring>
#include <sys/inotify.h>
#include <sys/vfs.h>
#include <unistd.h>

namespace {

constexpr std::uint32_t kArrivals = IN_CLOSE_WRITE | IN_MOVED_TO;

// File systems whose files may be written by another machine, which raises no event here.
bool OnNetworkMount(const QString& folder) {
    struct statfs info {};
    if (::statfs(QFile::encodeName(folder).constData(), &info) != 0) return false;
    switch (static_cast<unsigned long>(info.f_type)) {
    case 0x6969:     // NFS
    case 0x517B:     // SMB
    case 0xFF534D42: // CIFS
    case 0xFE534D42: // SMB2
    case 0x65735546: // FUSE (sshfs and others)
    case 0x564C:     // NCP
    case 0x6B414653: // AFS
    case 0x00C36400: // Ceph
    case 0x47504653: // GPFS
    case 0x0BD00BD0: // Lustre
        return true;
    default:
        return false;
    }
}

QString WatchError(int error) {
    if (error == ENOSPC)
        return QStringLiteral("the system's limit of watches is reached (fs.inotify.max_user_watches)");
    if (error == EMFILE)
        return QStringLiteral(
            "the system's limit of watching processes is reached (fs.inotify.max_user_instances)");
    return QString::fromLocal8Bit(std::strerror(error));
}

} // namespace

struct SourceWatch::ActiveWatch {
    QString folder;
    QString maskName;
    UniqueFd inotify;
    std::unique_ptr<QSocketNotifier> notifier;
};

SourceWatch::SourceWatch(ClosedFiles& closed, QObject* parent) : QObject(parent), closed_(closed) {}

SourceWatch::~SourceWatch() = default;

void SourceWatch::Watch(const QString& folder, const QString& maskName) {
    if (watching_ && watching_->folder == folder && watching_->maskName == maskName) return;
    watching_.reset();
    if (folder.isEmpty()) return;
    const auto say = [&](const QString& why) {
        // Said once for a folder; a folder watched again after a problem is said again if it recurs.
        if (reportedFolder_ == folder) return;
        reportedFolder_ = folder;
        emit WatchReported(why);
    };
    UniqueFd inotify(::inotify_init1(IN_NONBLOCK | IN_CLOEXEC));
    if (inotify.Get() < 0) {
        say("Cannot watch source folder " + folder + ": " + WatchError(errno) +
            "; new files are found by the 50 s cycle");
        return;
    }
    if (::inotify_add_watch(inotify.Get(), QFile::encodeName(folder).constData(),
                            kArrivals | IN_MOVE_SELF | IN_ONLYDIR) < 0) {
        // A missing folder is said by the folder check.
        if (errno == ENOENT || errno == ENOTDIR) return;
        say("Cannot watch source folder " + folder + ": " + WatchError(errno) +
            "; new files are found by the 50 s cycle");
        return;
    }
    if (OnNetworkMount(folder))
        say("Source folder " + folder +
            " is a network folder: files written there by another machine raise no event and are found by "
            "the 50 s cycle");
    else if (reportedFolder_ == folder)
        reportedFolder_.clear();
    auto notifier = std::make_unique<QSocketNotifier>(inotify.Get(), QSocketNotifier::Read);
    connect(notifier.get(), &QSocketNotifier::activated, this, &SourceWatch::ReadEvents);
    watching_.reset(new ActiveWatch{folder, maskName, std::move(inotify), std::move(notifier)});
    emit Watching(folder);
}

void SourceWatch::ReadEvents() {
    if (!watching_) return;
    alignas(inotify_event) std::array<char, 64 * 1024> buffer{};
    bool arrived = false;
    bool gone = false;
    for (;;) {
        const ssize_t got = ::read(watching_->inotify.Get(), buffer.data(), buffer.size());
        if (got < 0 && errno == EINTR) continue;
        // A read that fails otherwise than for want of events leaves the watch to be set up again.
        if (got < 0 && errno != EAGAIN) gone = true;
        if (got <= 0) break;
        for (ssize_t at = 0; at < got;) {
            const auto* event = reinterpret_cast<const inotify_event*>(buffer.data() + at);
            at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
            // Events were lost: whatever arrived is found by a scan.
            if (event->mask & IN_Q_OVERFLOW) arrived = true;
            // Renamed away, the watch would follow the old folder and miss the new one under the name.
            if (event->mask & (IN_IGNORED | IN_MOVE_SELF)) gone = true;
            if (!(event->mask & kArrivals) || event->len == 0) continue;
            const QString name = QFile::decodeName(event->name);
            if (!MatchesMask(name, watching_->maskName)) continue;
            const QString path = watching_->folder + name;
            if (const Result<FileIdentity> identity = IdentifyFile(path)) closed_.Note(path, *identity);
            arrived = true;
        }
    }
    // The folder went (removed, renamed, unmounted): the next Watch sets it up again.
    if (gone) watching_.reset();
    if (arrived) emit FileArrived();
}
