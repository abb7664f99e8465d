// A real small file system for tests of a full disk: a tmpfs of a given size mounted on a folder for the life
// of the object (root only), and the page arithmetic that sizes it around a file.
#pragma once

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QString>
#include <cerrno>
#include <cstring>
#include <sys/mount.h>

class SmallTmpfs {
public:
    static constexpr qint64 kPageBytes = 4096;

    SmallTmpfs(const QString& folder, qint64 bytes) : folder_(QFile::encodeName(folder)) {
        QDir().mkpath(folder);
        const QByteArray options = "size=" + QByteArray::number(bytes);
        if (::mount("tmpfs", folder_.constData(), "tmpfs", 0, options.constData()) == 0)
            mounted_ = true;
        else
            error_ = errno;
    }
    ~SmallTmpfs() {
        if (mounted_) ::umount2(folder_.constData(), MNT_DETACH);
    }
    SmallTmpfs(const SmallTmpfs&) = delete;
    SmallTmpfs& operator=(const SmallTmpfs&) = delete;

    bool Mounted() const { return mounted_; }
    // Why the mount failed.
    std::string Error() const { return std::strerror(error_); }

    // The largest size in whole pages that cannot hold `bytes`, and the smallest that can.
    static qint64 PagesShortOf(qint64 bytes) { return (bytes - 1) / kPageBytes * kPageBytes; }
    static qint64 PagesHolding(qint64 bytes) { return (bytes + kPageBytes - 1) / kPageBytes * kPageBytes; }

private:
    QByteArray folder_;
    bool mounted_ = false;
    int error_ = 0;
};
