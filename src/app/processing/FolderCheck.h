// The state of the folders that processing needs: the source folder readable, the netCDF and image folders
// writable, or missing and creatable. Checked at Start and at every scan, so that the operator hears of a
// change once.
#pragma once

#include "ProcessingOptions.h"

#include <QString>
#include <vector>

struct FolderWarning {
    QString folder;  // "Source folder /data/in/"
    QString problem; // "is missing", "cannot be written: Permission denied"
    // A missing folder that processing creates when its first file needs it.
    bool createdWhenNeeded = false;

    QString Text() const { return folder + " " + problem; }
    bool operator==(const FolderWarning&) const = default;
};

// Every problem found, in the order source, netCDF, image folder; empty when all is well. Creates nothing.
// The netCDF folder is always in use (every file is read from a copy there); the image folder only with short
// image names; with long ones the images lie in the netCDF folder and the image folder is only created.
std::vector<FolderWarning> CheckFolders(const ProcessingOptions& options);
