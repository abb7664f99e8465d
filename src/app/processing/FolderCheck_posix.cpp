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
    const QFileInfo info(QDir::cleanPath(folder));
    if (!info.exists()) return QStringLiteral("is missing");
    if (!info.isDir()) return QStringLiteral("is not a folder");
    return AccessProblem(folder, R_OK | X_OK, QStringLiteral("read"));
}

// Why a missing folder cannot be created; none when it can.
std::optional<QString> CreationProblem(const QString& folder) {
    QString above = QFileInfo(QDir::cleanPath(folder)).absolutePath();
    while (!QFileInfo::exists(above) && above != QDir::rootPath()) above = QFileInfo(above).absolutePath();
    if (!QFileInfo(above).isDir()) return "cannot be created: " + above + " is not a folder";
    return AccessProblem(above, W_OK | X_OK, QStringLiteral("created"));
}

// A folder that files are written into. (Without its trailing separator, a file in its place is found.)
FolderWarning OutputProblem(const QString& folder) {
    const QFileInfo info(QDir::cleanPath(folder));
    if (info.exists()) {
        if (!info.isDir()) return {{}, QStringLiteral("is not a folder")};
        return {{}, AccessProblem(folder, W_OK | X_OK, QStringLiteral("written")).value_or(QString())};
    }
    if (const std::optional<QString> problem = CreationProblem(folder)) return {{}, *problem};
    return {{}, QStringLiteral("is missing: it is created for the first file"), true};
}

// A folder that is created but not written into.
FolderWarning CreatedOnlyProblem(const QString& folder) {
    const QFileInfo info(QDir::cleanPath(folder));
    if (info.exists()) return {{}, info.isDir() ? QString() : QStringLiteral("is not a folder")};
    return {{}, CreationProblem(folder).value_or(QString())};
}

FolderWarning SourceFolderProblem(const QString& folder) {
    return {{}, SourceProblem(folder).value_or(QString())};
}

void Check(std::vector<FolderWarning>& warnings, const QString& role, const QString& folder,
           FolderWarning (*problemOf)(const QString&)) {
    if (folder.isEmpty()) {
        warnings.push_back({role, QStringLiteral("is not set")});
        return;
    }
    FolderWarning warning = problemOf(folder);
    if (warning.problem.isEmpty()) return;
    warning.folder = role + " " + folder;
    warnings.push_back(std::move(warning));
}

} // namespace

std::vector<FolderWarning> CheckFolders(const ProcessingOptions& options) {
    std::vector<FolderWarning> warnings;
    if (!options.singleFileMode)
        Check(warnings, QStringLiteral("Source folder"), options.sourcePath, SourceFolderProblem);
    Check(warnings, QStringLiteral("NetCDF folder"), options.netCdfPath, OutputProblem);
    // Long image names lie beside the archive copy: then an unset image folder is no problem, and a set one
    // is only created.
    if (options.shortImageNames)
        Check(warnings, QStringLiteral("Image folder"), options.savePath, OutputProblem);
    else if (!options.savePath.isEmpty())
        Check(warnings, QStringLiteral("Image folder"), options.savePath, CreatedOnlyProblem);
    return warnings;
}
