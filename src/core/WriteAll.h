// Writing a whole buffer to a POSIX descriptor.
#pragma once

#include <QByteArrayView>

// Writes all of the bytes to fd, through short writes and interruptions: 0, or the errno of the write that
// failed.
int WriteAll(int fd, QByteArrayView bytes);
// The same for a socket, where a peer that has gone fails the send with EPIPE instead of raising SIGPIPE.
int SendAll(int socket, QByteArrayView bytes);
