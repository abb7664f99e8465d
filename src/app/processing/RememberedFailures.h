// Received files that failed for what they hold (damaged, not netCDF, refused data, too large, a reader that
// crashed on them, or hung on them twice): remembered by their identity, so that later scans report them
// again without the pause and without reading them, until they change or processing is started again. A
// reader's first hang on a file may be a passing stall of the disk: the next scan reads the file once more.
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
    // Remembers a failure that lies in the file (a first hang only as one, to be tried again); forgets the
    // path for any other outcome.
    void Note(const QString& path, const FileIdentity& identity, const std::optional<Failure>& failure);
    // Forgets every file whose path is not among these (those that have gone).
    void KeepOnly(const QSet<QString>& paths);
    void Clear() { failures_.clear(); }

private:
    struct Remembered {
        FileIdentity identity;
        Failure failure;
        bool tryAgain = false; // a first hang: not recalled, but a second one is remembered
    };
    QHash<QString, Remembered> failures_;
};
