// The received files whose writer was seen closing them (or that were moved in whole), each with its identity
// at that moment. Such a file needs no ten seconds of quiet to count as finished while it is still that
// file; one only found by listing the folder does.
#pragma once

#include "SourceFile.h"

#include <QHash>
#include <QMutex>
#include <QString>

class ClosedFiles {
public:
    void Note(const QString& path, const FileIdentity& identity);
    // Whether the file at path was seen closed and has not changed since.
    bool SeenClosed(const QString& path, const FileIdentity& now) const;
    // Forgets every file that has gone or changed since it was seen closed; one seen closed meanwhile,
    // however late in a scan's listing, is kept.
    void ForgetChanged();

private:
    mutable QMutex mutex_;
    QHash<QString, FileIdentity> closed_;
};
