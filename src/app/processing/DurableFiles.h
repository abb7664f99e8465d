// Durable copies: a received file copied as PublishFile publishes a file, so that the copy appears complete
// or not at all; the folders they go into, and the removal of a copy or an image no longer wanted.
#pragma once

#include "PublishFile.h"
#include "UniqueFd.h"

#include <QString>

// Creates the folder with every missing level; "cannot create folder <folder>: <reason>" when it cannot.
Status CreateFolder(const QString& folder);

// Removes a file the program wrote; one that is not there is no failure. "cannot remove <path>: <reason>".
Status RemoveFileIfPresent(const QString& path);

// Copies a file as PublishFile publishes one, with at most the source's permissions; a symbolic link is
// never followed. Every failure has the code CannotCopy: "cannot copy <source>: <reason>" when the source
// cannot be opened, otherwise as PublishFile words it.
Status CopyFileDurably(const QString& sourcePath, const QString& targetPath);

// A source file opened for reading, and its permissions.
struct OpenedSource {
    UniqueFd file;
    unsigned permissions;
};

// Platform part: open a source without following a symbolic link, and read from it, failing with the
// system's reason.
Result<OpenedSource> OpenSourceFile(const QString& path);
// Up to `size` bytes; 0 at the end.
Result<qint64> ReadSome(const UniqueFd& file, char* buffer, qint64 size);
