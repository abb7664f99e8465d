// Files that appear complete or not at all: written under a hidden temporary name in their folder, stamped,
// flushed to disk with every step checked and renamed into place, so neither a crash at any instant nor a
// full disk leaves a partial file under the real name.
#pragma once

#include "DateTime.h"
#include "Failure.h"

#include <QString>
#include <functional>

class QIODevice;

// The hidden name that a file is written under before it is renamed into place.
QString TemporaryNameFor(const QString& finalPath);

// Writes a file's content into `sink`. A failure's message is its reason alone. When the sink itself failed,
// the system's reason is always reported: in the writer's own words when they carry the sink's
// errorString() ("Error writing JPEG to file (No space left on device)"), else alone.
using ContentWriter = std::function<Status(QIODevice& sink)>;

// The read and write bits a published file may have at most (the user's umask takes its share as well):
// a file made from a received file never gets wider ones than the received file has.
inline constexpr unsigned kUsualPermissions = 0666;

// Runs write into a new temporary file; when it succeeds, sets the file time (unless 0), flushes the file to
// disk, checks that it holds every byte written, renames it over finalPath and flushes the folder. A failure
// before the rename removes the temporary file and leaves any old file at finalPath as it was. Failures say
// "cannot write <finalPath>: <reason>", or PutInPlace's words for the rename and the folder.
Status PublishFile(const QString& finalPath, const ContentWriter& write, TDateTime fileTime = 0,
                   unsigned permissions = kUsualPermissions);

// Writes a file's content by its name, for a library that writes files itself: the path is where an empty
// file with the permissions waits, which the writer may replace or fill.
using NamedFileWriter = std::function<Status(const QString& path)>;

// As PublishFile, with the content written by `write` at the temporary file's path; once it succeeds, the
// file is published as PublishFile publishes one, with at most the permissions.
Status PublishFileWrittenByName(const QString& finalPath, const NamedFileWriter& write,
                                TDateTime fileTime = 0, unsigned permissions = kUsualPermissions);

// Renames a file that is already complete on disk (such as a copy made by CopyFileDurably) over finalPath in
// the same folder, and flushes the folder. A failed rename says "cannot put <finalPath> in place: <reason>"
// and the file stays where it was; a failed flush of the folder, "cannot flush the folder of <finalPath> to
// disk: <reason>", with the file already in place (its name may not outlast a crash).
Status PutInPlace(const QString& completePath, const QString& finalPath);

// Platform part, answering 0 or the errno value: flush a folder's entries to disk, and rename replacing the
// target.
int FlushFolderToDisk(const QString& folder);
int ReplaceFile(const QString& fromPath, const QString& toPath);
