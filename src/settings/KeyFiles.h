// The files of the store: one per key, Nimbrel/<key>.conf in the per-user configuration folder
// ($XDG_CONFIG_HOME, else ~/.config), where QSettings kept them. A file is read whole at every read and
// changed one line at a time under a lock, through PublishFile, so that it is replaced whole or not at all.
#pragma once

#include "Failure.h"
#include "KeyFileText.h"
#include "PublishFile.h"

#include <QString>

// A file larger than this, in bytes, is not read: it is no settings file.
inline constexpr qint64 kLargestKeyFile = 1024 * 1024;

QString KeyFilePath(const QString& keyName);

struct TKeyFile {
    bool Exists = false;
    unsigned Permissions = kUsualPermissions;
    TKeyFileText Text;
};

// The file as it stands; one that is missing, or whose folder is, has no values. Fails with CannotRead and
// the system's reason, or with SettingsDamaged when the file does not parse or is larger than
// kLargestKeyFile ("SourcePath is longer than 65536 bytes" when a value's line shows why).
Result<TKeyFile> ReadKeyFile(const QString& path);

// Whether a change to the key's file can be kept: its folder, or the nearest one that exists where the rest
// would be made, is a folder that can be written, and the file, where there is one, has a write permission
// that this process holds. Permission bits bind root as well, so that a file the operator made read-only
// stays as it is. The failure is worded for the log ("Settings file /x/a.conf is read-only").
Status CheckKeyFileWritable(const QString& path);

// Sets one value's line (IniEscaping.h text) in the key's file, making the file and its folder when
// missing, under a lock that all writers of the vendor folder take; a file that cannot be read or parsed,
// or cannot be written, is left as it is.
Status WriteKeyFileValue(const QString& keyName, const QString& name, const QByteArray& escapedValue);

// Renames a damaged file to <name>.unreadable-<UTC time> beside it, never over another file; gives the new
// path.
Result<QString> SetKeyFileAside(const QString& path);
