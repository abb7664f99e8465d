// Retention: what the program wrote long ago is removed, so that months of running do not fill the disk.
// Only names the program writes are touched (OutputKindOf), in the image and netCDF folders and their dated
// sub-folders; never a symbolic link, the source folder, a protected file or a file of any other name.
#pragma once

#include "Failure.h"

#include <QDateTime>
#include <QString>
#include <QStringList>
#include <vector>

// How many days the program's own files are kept; 0 keeps them for ever.
struct RetentionDays {
    int images = 0;
    int netCdf = 0; // archived received files

    bool Any() const { return images > 0 || netCdf > 0; }
};

struct RetentionRequest {
    QString imageFolder; // empty when not set: nothing is removed there
    QString netCdfFolder;
    QString sourceFolder; // left alone, even when it is one of the others
    RetentionDays keep;
    QStringList protectedPaths; // never removed: each band's LastSaved image
    QDateTime now;
};

struct RetentionOutcome {
    int filesRemoved = 0;
    qint64 bytesRemoved = 0;
    // Folders that were left alone because they are the source folder.
    QStringList sourceFoldersSkipped;
    // What could not be listed or removed, each with its reason.
    std::vector<Failure> failures;
};

// Removes the images last modified more than keep.images days before `now` from both folders (images under
// long names lie in the netCDF folder) and the archived files more than keep.netCdf days old from the netCDF
// folder, directly in them and in their dated sub-folders (yyyy/mm/dd/); then every dated sub-folder that is
// empty and whose whole period lies that far back. A missing folder has nothing to remove.
RetentionOutcome ApplyRetention(const RetentionRequest& request);
