// The per-user folder for the maker's programs' runtime files: sockets and locks, gone at log-out or reboot.
#pragma once

#include <QString>

// $XDG_RUNTIME_DIR/Nimbrel, or /tmp/Nimbrel-<uid> when XDG_RUNTIME_DIR is unset. It may not exist yet.
QString VendorRuntimeFolder();
