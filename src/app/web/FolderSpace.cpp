// The folders' space, in the order the page shows them.
#include "FolderSpace.h"

namespace {

FolderReport ReportFolder(const QString& role, const QString& path) {
    if (path.isEmpty()) return {role, path, Failure{FailureCode::FolderNotSet, "not set"}};
    return {role, path, SpaceOf(path)};
}

} // namespace

std::vector<FolderReport> ReportFolders(const ProcessingOptions& options) {
    return {ReportFolder("source", options.sourcePath), ReportFolder("netcdf", options.netCdfPath),
            ReportFolder("images", options.savePath)};
}

QString FolderName(const QString& role) {
    return role == u"source"   ? QStringLiteral("Source")
           : role == u"netcdf" ? QStringLiteral("NetCDF")
                               : QStringLiteral("Image");
}
