// POSIX part of the runtime folder: the session's runtime directory, or a per-user folder in /tmp.
#include "RuntimeFolder.h"

#include <unistd.h>

QString VendorRuntimeFolder() {
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    return runtime.isEmpty() ? QStringLiteral("/tmp/Nimbrel-%1").arg(::getuid())
                             : runtime + QStringLiteral("/Nimbrel");
}
