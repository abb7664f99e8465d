// Writing a whole buffer to a POSIX descriptor.
#pragma once

#include <QByteArrayView>

// Writes all of the bytes to fd, through short writes and interruptions: 0, or the errno of the write that
// failed. On a socket whose peer has gone the write fails with EPIPE instead of raising SIGPIPE.
int WriteAll(int fd, QByteArrayView bytes);
