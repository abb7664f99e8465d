// POSIX part of the notification: where the socket lives, and a non-blocking datagram to it.
#include "AnimationNotifier.h"

#include "RuntimeFolder.h"

#include <QFile>
#include <cstring>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

QString AnimationSocketPath() {
    return VendorRuntimeFolder() + QStringLiteral("/TFormAnimationControl/Loopwell Control");
}

bool SendLocalDatagram(const QString& socketPath, const QByteArray& datagram) {
    const QByteArray path = QFile::encodeName(socketPath);
    sockaddr_un address{};
    if (path.size() >= static_cast<qsizetype>(sizeof(address.sun_path))) return false;
    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path, path.constData(), static_cast<size_t>(path.size()));

    const int fd = ::socket(AF_UNIX, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0) return false;
    const ssize_t sent = ::sendto(fd, datagram.constData(), static_cast<size_t>(datagram.size()),
                                  MSG_DONTWAIT, reinterpret_cast<const sockaddr*>(&address), sizeof(address));
    ::close(fd);
    return sent == datagram.size();
}
