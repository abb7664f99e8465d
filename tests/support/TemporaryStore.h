// Points the per-user settings store of this process at a fresh temporary folder for one test, through
// XDG_CONFIG_HOME as a child process finds it; the variable is restored afterwards.
#pragma once

#include <QByteArray>
#include <QTemporaryDir>
#include <QtGlobal>

class TTemporaryStore {
public:
    TTemporaryStore()
        : Saved(qgetenv("XDG_CONFIG_HOME")), WasSet(qEnvironmentVariableIsSet("XDG_CONFIG_HOME")) {
        qputenv("XDG_CONFIG_HOME", Dir.path().toLocal8Bit());
    }
    ~TTemporaryStore() {
        if (WasSet)
            qputenv("XDG_CONFIG_HOME", Saved);
        else
            qunsetenv("XDG_CONFIG_HOME");
    }
    TTemporaryStore(const TTemporaryStore&) = delete;
    TTemporaryStore& operator=(const TTemporaryStore&) = delete;

    // Where the store keeps a key.
    QString KeyFile(const QString& keyName) const { return Dir.filePath("Nimbrel/" + keyName + ".conf"); }
    QString ConfigHome() const { return Dir.path(); }

private:
    QTemporaryDir Dir;
    const QByteArray Saved;
    const bool WasSet;
};
