// The write loop of every descriptor the program and its reader write to themselves.
#include "WriteAll.h"

#include <cerrno>
#include <sys/socket.h>
#include <unistd.h>

int WriteAll(int fd, QByteArrayView bytes) {
    // send() can be told not to raise SIGPIPE but takes only sockets; anything else is written with write().
    bool socket = true;
    while (!bytes.isEmpty()) {
        const auto size = static_cast<std::size_t>(bytes.size());
        const ssize_t step =
            socket ? ::send(fd, bytes.data(), size, MSG_NOSIGNAL) : ::write(fd, bytes.data(), size);
        if (step < 0) {
            if (errno == EINTR) continue;
            if (errno == ENOTSOCK && socket) {
                socket = false;
                continue;
            }
            return errno;
        }
        bytes = bytes.sliced(step);
    }
    return 0;
}
