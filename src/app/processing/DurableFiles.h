// Files that appear complete or not at all: written under a hidden temporary name in their folder, stamped,
// flushed to disk and renamed into place, so a crash at any instant leaves no partial file under the real
// name.
#pragma once

#include "DateTime.h"

#include <QString>
#include <functional>

// The hidden name that a file is written under before it is renamed into place.
QString TemporaryNameFor(const QString& finalPath);

// Runs write(temporaryPath); when it reports true, sets the file time (unless 0), flushes the file and
// renames it over finalPath. Returns false, leaving any old file at finalPath untouched, when write reports
// false; removes the temporary file and rethrows when write throws; throws std::runtime_error when the file
// cannot be put in place.
bool PublishFile(const QString& finalPath, const std::function<bool(const QString& temporaryPath)>& write,
                 TDateTime fileTime = 0);

// Copies a file durably (as PublishFile does); throws std::runtime_error on failure.
void CopyFileDurably(const QString& sourcePath, const QString& targetPath);

// Platform part: flush a file's or a folder's contents and metadata to disk; rename replacing the target.
bool FlushToDisk(const QString& path);
bool ReplaceFile(const QString& fromPath, const QString& toPath);
