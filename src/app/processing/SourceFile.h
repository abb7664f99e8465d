// The received file on disk: what identifies it, so that a file put in its place under the same name is
// never taken for it, whether it can be read, and its deletion once processed. A symbolic link is never
// followed: whoever can write into the receiver's folder must not make the program read or copy a file
// elsewhere.
#pragma once

#include "Failure.h"

#include <QString>
#include <cstdint>
#include <filesystem>

struct FileIdentity {
    std::uint64_t device = 0;
    std::uint64_t inode = 0;
    qint64 size = 0;
    std::int64_t modifiedNs = 0; // last modification, nanoseconds since 1970
    // Last change of the content or the file's own data, which no writer can set back, so that a rewrite
    // in place that restores the modification time is still a change.
    std::int64_t changedNs = 0;
    unsigned permissions = 0; // the read and write bits of owner, group and others

    bool operator==(const FileIdentity&) const = default;
};

// The identity of a regular file; FileVanished when it is gone, NotRegularFile for a folder, pipe or device
// and SymbolicLink for a link, dangling or not (neither is ever opened).
Result<FileIdentity> IdentifyFile(const QString& path);
// The same for a path as the file system spells it, which a walk of a folder gives without a conversion.
Result<FileIdentity> IdentifyFile(const std::filesystem::path& path);

// Fails with CannotRead and the system's reason when the file cannot be opened for reading.
Status CheckReadable(const QString& path);

// Deletes the file when it is still the one identified; otherwise, or when it cannot be deleted, it stays and
// the failure (CannotDelete) says why.
Status DeleteIfUnchanged(const QString& path, const FileIdentity& identity);
