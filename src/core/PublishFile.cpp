// Durable publishing of files through hidden temporary names.
#include "PublishFile.h"

#include "FileSink.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace {

// Everything up to the rename: the content, the file time, the flush and the size check.
Status WriteTemporary(const QString& temporary, const QString& finalPath, const ContentWriter& write,
                      TDateTime fileTime, unsigned permissions) {
    FileSink sink(finalPath);
    if (Status created = sink.Create(temporary, permissions); !created) return created;
    if (Status written = write(sink); !written) {
        const Failure& failure = written.failure();
        if (sink.WriteFailure() && !failure.message.contains(sink.errorString())) return *sink.WriteFailure();
        return Failure{failure.code, QStringLiteral("cannot write %1: %2").arg(finalPath, failure.message)};
    }
    if (Status stamped = sink.Stamp(fileTime); !stamped) return stamped;
    return sink.Finish();
}

Failure CannotPutInPlace(const QString& finalPath, int error) {
    return SystemFailure(FailureCode::CannotWrite, QStringLiteral("cannot put %1 in place").arg(finalPath),
                         error);
}

} // namespace

QString TemporaryNameFor(const QString& finalPath) {
    const QFileInfo info(finalPath);
    return info.dir().filePath("." + info.fileName() + ".partial");
}

Status PublishFile(const QString& finalPath, const ContentWriter& write, TDateTime fileTime,
                   unsigned permissions) {
    const QString temporary = TemporaryNameFor(finalPath);
    // Removing the temporary file after a failure is tidying up: the failure reported is the one before it.
    if (Status written = WriteTemporary(temporary, finalPath, write, fileTime, permissions); !written) {
        QFile::remove(temporary);
        return written;
    }
    const Status placed = PutInPlace(temporary, finalPath);
    if (!placed) QFile::remove(temporary);
    return placed;
}

Status PutInPlace(const QString& completePath, const QString& finalPath) {
    if (const int error = ReplaceFile(completePath, finalPath)) return CannotPutInPlace(finalPath, error);
    if (const int error = FlushFolderToDisk(QFileInfo(finalPath).absolutePath()))
        return CannotPutInPlace(finalPath, error);
    return {};
}
