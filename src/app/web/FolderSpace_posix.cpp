// A folder's space through statvfs.
#include "FolderSpace.h"

#include <QFile>
#include <sys/statvfs.h>

Result<FolderSpace> SpaceOf(const QString& folder) {
    struct statvfs info {};
    if (statvfs(QFile::encodeName(folder).constData(), &info) != 0)
        return SystemFailure(FailureCode::CannotRead, "cannot look at " + folder);
    const auto blockBytes = static_cast<qint64>(info.f_frsize);
    return FolderSpace{static_cast<qint64>(info.f_bavail) * blockBytes,
                       static_cast<qint64>(info.f_blocks) * blockBytes};
}
