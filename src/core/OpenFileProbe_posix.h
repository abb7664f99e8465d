// How the POSIX side finds out who else has a file open (Linux): for the exclusive open, anyone at all; for
// the in-use test, another program writing it.
#pragma once

#include <sys/stat.h>

enum class TOpenElsewhere { No, Yes, Unknown };

// Asks for a write lease on the descriptor (granted only while no other descriptor refers to the file)
// and drops it at once. Unknown where leases are not permitted or not supported.
TOpenElsewhere ProbeOpenByLease(int fd);

// Looks through /proc/*/fd for another descriptor on the same device and inode as `fd`, in this process or
// any other. Processes whose descriptors cannot be read are not seen.
bool ProbeOpenByProcScan(int fd);

// Looks through /proc/*/fd for a descriptor on the file (`file` from stat) that was opened for writing, as
// its flags in /proc/*/fdinfo say (O_WRONLY or O_RDWR), by a process other than the program's own
// (IsOwnProcess). Processes whose descriptors cannot be read, those of other accounts unless the program runs
// as root, are not seen.
bool ProbeOpenForWritingByProcScan(const struct stat& file);
