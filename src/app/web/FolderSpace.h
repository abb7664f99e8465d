// The free space of the folders processing uses, for the station's web page.
#pragma once

#include "Failure.h"
#include "ProcessingOptions.h"

#include <QString>
#include <vector>

struct FolderSpace {
    qint64 freeBytes = 0; // what a writer without privileges may still use
    qint64 totalBytes = 0;
};

// The space of the file system that holds the folder; CannotRead with the system's reason when the folder
// cannot be looked at.
Result<FolderSpace> SpaceOf(const QString& folder);

struct FolderReport {
    QString role; // "source", "netcdf", "images"
    QString path; // empty when not set
    Result<FolderSpace> space;
};

// "Source", "NetCDF", "Image": the folder's name for the operator.
QString FolderName(const QString& role);

// The source, netCDF and image folders with their space, in that order.
std::vector<FolderReport> ReportFolders(const ProcessingOptions& options);
