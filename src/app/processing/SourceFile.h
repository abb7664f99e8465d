// The received file on disk: what identifies it, so that a file put in its place under the same name is
// never taken for it, and its deletion once processed.
#pragma once

#include "Failure.h"

#include <QString>
#include <cstdint>

struct FileIdentity {
    std::uint64_t device = 0;
    std::uint64_t inode = 0;
    qint64 size = 0;
    std::int64_t modifiedNs = 0; // last modification, nanoseconds since 1970

    bool operator==(const FileIdentity&) const = default;
};

// The identity of a regular file; FileVanished when it is gone, NotRegularFile for a folder, pipe or device
// (which is never opened).
Result<FileIdentity> IdentifyFile(const QString& path);

// Deletes the file when it is still the one identified; otherwise, or when it cannot be deleted, it stays and
// the failure (CannotDelete) says why.
Status DeleteIfUnchanged(const QString& path, const FileIdentity& identity);
