// The state of the folders that processing needs: the source folder readable, the netCDF and image folders
// writable or creatable. Checked at Start and at every scan, so that the operator hears of a change once.
#pragma once

#include "ProcessingOptions.h"

#include <QString>
#include <vector>

struct FolderWarning {
    QString folder;  // "Source folder /data/in/"
    QString problem; // "is missing", "cannot be written: Permission denied"

    QString Text() const { return folder + " " + problem; }
    bool operator==(const FolderWarning&) const = default;
};

// Every problem found, in the order source, netCDF, image folder; empty when all is well. Creates nothing.
std::vector<FolderWarning> CheckFolders(const ProcessingOptions& options);
