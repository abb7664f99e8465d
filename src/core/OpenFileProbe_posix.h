// How the POSIX exclusive open finds out whether anyone else has a file open (Linux).
#pragma once

enum class TOpenElsewhere { No, Yes, Unknown };

// Asks for a write lease on the descriptor (granted only while no other descriptor refers to the file)
// and drops it at once. Unknown where leases are not permitted or not supported.
TOpenElsewhere ProbeOpenByLease(int fd);

// Looks through /proc/*/fd for another descriptor on the same device and inode. Processes whose
// descriptors cannot be read are not seen.
bool ProbeOpenByProcScan(int fd);
