// Received files that failed for what they hold (damaged, not netCDF, refused data, too large, a reader that
// crashed or hung on them): remembered by their identity, so that later scans report them again without the
// pause and without reading them, until they change or processing is started again.
#pragma once

#include "Failure.h"
#include "SourceFile.h"

#include <QHash>
#include <QSet>
#include <QString>
#include <optional>

class RememberedFailures {
public:
    // Whether a failure of this kind lies in the file itself; failures of the station (a full disk, a missing
    // folder, a reader that could not start) are worth another try at every scan.
    static bool LiesInTheFile(FailureCode code);

    // The failure remembered for the file at path, while it is still the file identified then.
    std::optional<Failure> Recall(const QString& path, const FileIdentity& identity) const;
    // Remembers a failure that lies in the file; forgets the path for any other outcome.
    void Note(const QString& path, const FileIdentity& identity, const std::optional<Failure>& failure);
    // Forgets every file whose path is not among these (those that have gone).
    void KeepOnly(const QSet<QString>& paths);
    void Clear() { failures_.clear(); }

private:
    struct Remembered {
        FileIdentity identity;
        Failure failure;
    };
    QHash<QString, Remembered> failures_;
};
