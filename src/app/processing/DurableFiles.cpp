// Durable publishing of output files through hidden temporary names.
#include "DurableFiles.h"

#include "Utils.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <filesystem>
#include <stdexcept>

QString TemporaryNameFor(const QString& finalPath) {
    const QFileInfo info(finalPath);
    return info.dir().filePath("." + info.fileName() + ".partial");
}

bool PublishFile(const QString& finalPath, const std::function<bool(const QString&)>& write,
                 TDateTime fileTime) {
    const QString temporary = TemporaryNameFor(finalPath);
    QFile::remove(temporary);
    try {
        if (!write(temporary)) {
            QFile::remove(temporary);
            return false;
        }
    } catch (...) {
        QFile::remove(temporary);
        throw;
    }
    if (fileTime != 0) SetFileDate(temporary, fileTime);
    if (!FlushToDisk(temporary) || !ReplaceFile(temporary, finalPath)) {
        QFile::remove(temporary);
        throw std::runtime_error("Cannot put " + finalPath.toStdString() + " in place");
    }
    FlushToDisk(QFileInfo(finalPath).absolutePath());
    return true;
}

void CopyFileDurably(const QString& sourcePath, const QString& targetPath) {
    PublishFile(targetPath, [&](const QString& temporary) {
        std::error_code error;
        std::filesystem::copy_file(sourcePath.toStdString(), temporary.toStdString(),
                                   std::filesystem::copy_options::overwrite_existing, error);
        if (error)
            throw std::runtime_error("Cannot copy " + sourcePath.toStdString() + ": " + error.message());
        return true;
    });
}
