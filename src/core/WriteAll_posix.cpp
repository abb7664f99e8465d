// The write loop of every descriptor the program and its reader write to themselves.
#include "WriteAll.h"

#include <cerrno>
#include <sys/socket.h>
#include <unistd.h>

namespace {

// Step writes some of the bytes, as write() does.
template <typename Step> int WriteLoop(QByteArrayView bytes, Step step) {
    while (!bytes.isEmpty()) {
        const ssize_t written = step(bytes.data(), static_cast<std::size_t>(bytes.size()));
        if (written < 0) {
            if (errno == EINTR) continue;
            return errno;
        }
        bytes = bytes.sliced(written);
    }
    return 0;
}

} // namespace

int WriteAll(int fd, QByteArrayView bytes) {
    return WriteLoop(bytes, [fd](const char* data, std::size_t size) { return ::write(fd, data, size); });
}

int SendAll(int socket, QByteArrayView bytes) {
    return WriteLoop(bytes, [socket](const char* data, std::size_t size) {
        return ::send(socket, data, size, MSG_NOSIGNAL);
    });
}
