// Points the per-user settings store of this process at a fresh temporary folder for one test.
#pragma once

#include <QSettings>
#include <QTemporaryDir>

class TTemporaryStore {
public:
    TTemporaryStore() { QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, Dir.path()); }

    // Where the store keeps a key; child processes find the store there through XDG_CONFIG_HOME.
    QString KeyFile(const QString& keyName) const { return Dir.filePath("Nimbrel/" + keyName + ".conf"); }
    QString ConfigHome() const { return Dir.path(); }

private:
    QTemporaryDir Dir;
};
