// Retention: what the program wrote long ago is removed, so that months of running do not fill the disk.
// Only names this instance writes are touched (OwnOutputKindOf: its own satellite's, never another
// instance's in a shared folder), in the image and netCDF folders and their dated sub-folders; never a
// symbolic link, the source folder, a protected file or a file of any other name.
#pragma once

#include "BandTables.h"
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
    // Whose files go: the names the program writes for this satellite with this naming option.
    SatelliteCode satellite = 0;
    bool save19As16 = false;
    QStringList protectedPaths; // never removed: each band's newest image, in each format
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

// Removes the images written more than keep.images days before `now` from both folders (images under long
// names lie in the netCDF folder) and the archived files written more than keep.netCdf days before it from
// the netCDF folder, directly in them and in their dated sub-folders (yyyy/mm/dd/). When a file was written
// is its change time, which publishing it sets (its rename into place) and which nothing can set back; its
// modification time is the scan's nominal time, which says nothing of its age. A dated sub-folder goes when
// the sweep has just removed the last of its files (so never one that was empty before, nor one holding any
// other file). A missing folder has nothing to remove.
RetentionOutcome ApplyRetention(const RetentionRequest& request);
