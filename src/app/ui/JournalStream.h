// Whether the program's standard output is the systemd journal, which then reads a syslog priority ("<3>")
// at the start of each line.
#pragma once

// True when JOURNAL_STREAM ("device:inode", set by the service manager) names the stream that standard output
// is now; an inherited variable with standard output sent elsewhere does not count.
bool StandardOutputIsJournal();
