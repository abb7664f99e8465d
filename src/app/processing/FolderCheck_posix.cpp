// POSIX part of the folder check: access() on the folder, or on the nearest folder that exists above it.
#include "FolderCheck.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <cstring>
#include <unistd.h>

namespace {

QString SystemText(int error) {
    return QString::fromLocal8Bit(std::strerror(error));
}

// Why the folder cannot be used with the given access mode; none when it can.
std::optional<QString> AccessProblem(const QString& folder, int mode, const QString& verb) {
    if (::access(QFile::encodeName(folder).constData(), mode) == 0) return std::nullopt;
    return "cannot be " + verb + ": " + SystemText(errno);
}

std::optional<QString> SourceProblem(const QString& folder) {
    const QFileInfo info(folder);
    if (!info.exists()) return QStringLiteral("is missing");
    if (!info.isDir()) return QStringLiteral("is not a folder");
    return AccessProblem(folder, R_OK | X_OK, QStringLiteral("read"));
}

std::optional<QString> OutputProblem(const QString& folder) {
    const QFileInfo info(folder);
    if (info.exists()) {
        if (!info.isDir()) return QStringLiteral("is not a folder");
        return AccessProblem(folder, W_OK | X_OK, QStringLiteral("written"));
    }
    QString above = QFileInfo(QDir::cleanPath(folder)).absolutePath();
    while (!QFileInfo::exists(above) && above != QDir::rootPath()) above = QFileInfo(above).absolutePath();
    if (!QFileInfo(above).isDir()) return "cannot be created: " + above + " is not a folder";
    return AccessProblem(above, W_OK | X_OK, QStringLiteral("created"));
}

void Check(std::vector<FolderWarning>& warnings, const QString& role, const QString& folder,
           std::optional<QString> (*problemOf)(const QString&)) {
    if (folder.isEmpty()) {
        warnings.push_back({role, QStringLiteral("is not set")});
        return;
    }
    if (const std::optional<QString> problem = problemOf(folder))
        warnings.push_back({role + " " + folder, *problem});
}

} // namespace

std::vector<FolderWarning> CheckFolders(const ProcessingOptions& options) {
    std::vector<FolderWarning> warnings;
    if (!options.singleFileMode)
        Check(warnings, QStringLiteral("Source folder"), options.sourcePath, SourceProblem);
    Check(warnings, QStringLiteral("NetCDF folder"), options.netCdfPath, OutputProblem);
    // Long image names lie beside the archive copy: then an unset image folder is no problem.
    if (options.shortImageNames || !options.savePath.isEmpty())
        Check(warnings, QStringLiteral("Image folder"), options.savePath, OutputProblem);
    return warnings;
}
