// The look at a key's file before its values are read.
#include "KeyFiles.h"
#include "RegistryStore.h"

#include <QFileInfo>

namespace {

const QString kDefaultsUsed = QStringLiteral("the defaults are used");
const QString kNotKept = QStringLiteral("changes to the settings cannot be kept");

// A damaged file is set aside, so that no write replaces it and the defaults stand in.
QString SetAsideLine(const QString& path, const QString& reason) {
    const Result<QString> aside = SetKeyFileAside(path);
    if (!aside)
        return QStringLiteral("Settings file %1 cannot be read (%2) and cannot be set aside (%3): %4 and %5")
            .arg(path, reason, aside.failure().message, kDefaultsUsed, kNotKept);
    return QStringLiteral("Settings file %1 cannot be read (%2): it is kept beside it as %3 and %4")
        .arg(path, reason, QFileInfo(*aside).fileName(), kDefaultsUsed);
}

} // namespace

QStringList CheckStoredKey(const QString& keyName) {
    const QString path = KeyFilePath(keyName);
    const Result<TKeyFile> file = ReadKeyFile(path);
    QStringList lines;
    if (file) {
        for (const QString& name : file->Text.TooLongNames())
            lines << QStringLiteral("Setting %1 is longer than %2 bytes: the default is used")
                         .arg(name)
                         .arg(kLongestSettingLine);
    } else if (file.failure().code == FailureCode::SettingsDamaged) {
        lines << SetAsideLine(path, file.failure().message);
    } else {
        return {QStringLiteral("Settings file %1 cannot be read (%2): %3 and %4")
                    .arg(path, file.failure().message, kDefaultsUsed, kNotKept)};
    }
    if (const Status writable = CheckKeyFileWritable(path); !writable)
        lines << writable.failure().message + ": " + kNotKept;
    return lines;
}
