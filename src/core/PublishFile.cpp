// Durable publishing of files through hidden temporary names.
#include "PublishFile.h"

#include "FileSink.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace {

Failure CannotWriteBecause(const QString& finalPath, const Failure& reason) {
    return {reason.code, QStringLiteral("cannot write %1: %2").arg(finalPath, reason.message)};
}

// Everything up to the rename: the content, the file time, the flush and the size check.
Status WriteTemporary(const QString& temporary, const QString& finalPath, const ContentWriter& write,
                      TDateTime fileTime, unsigned permissions) {
    FileSink sink(finalPath);
    if (Status created = sink.Create(temporary, permissions); !created) return created;
    if (Status written = write(sink); !written) {
        const Failure& failure = written.failure();
        if (sink.WriteFailure() && !failure.message.contains(sink.errorString())) return *sink.WriteFailure();
        return CannotWriteBecause(finalPath, failure);
    }
    if (Status stamped = sink.Stamp(fileTime); !stamped) return stamped;
    return sink.Finish();
}

// As WriteTemporary, for content that the writer puts at the temporary file's path itself.
Status WriteTemporaryByName(const QString& temporary, const QString& finalPath, const NamedFileWriter& write,
                            TDateTime fileTime, unsigned permissions) {
    // The file is made here first with the permissions allowed; a writer that replaces it rather than filling
    // it has them narrowed again before anything is published.
    if (Status created = FileSink(finalPath).Create(temporary, permissions); !created) return created;
    if (Status written = write(temporary); !written) return CannotWriteBecause(finalPath, written.failure());
    FileSink sink(finalPath);
    if (Status adopted = sink.Adopt(temporary, permissions); !adopted) return adopted;
    if (Status stamped = sink.Stamp(fileTime); !stamped) return stamped;
    return sink.Finish();
}

Failure CannotPutInPlace(const QString& finalPath, int error) {
    return SystemFailure(FailureCode::CannotWrite, QStringLiteral("cannot put %1 in place").arg(finalPath),
                         error);
}

// Puts a written temporary file in place; removes it after any failure, the write's included.
Status Publish(const QString& temporary, const QString& finalPath, const Status& written) {
    // Removing the temporary file after a failure is tidying up: the failure reported is the one before it.
    const Status placed = written ? PutInPlace(temporary, finalPath) : written;
    if (!placed) static_cast<void>(QFile::remove(temporary));
    return placed;
}

} // namespace

QString TemporaryNameFor(const QString& finalPath) {
    const QFileInfo info(finalPath);
    return info.dir().filePath("." + info.fileName() + ".partial");
}

Status PublishFile(const QString& finalPath, const ContentWriter& write, TDateTime fileTime,
                   unsigned permissions) {
    const QString temporary = TemporaryNameFor(finalPath);
    return Publish(temporary, finalPath, WriteTemporary(temporary, finalPath, write, fileTime, permissions));
}

Status PublishFileWrittenByName(const QString& finalPath, const NamedFileWriter& write, TDateTime fileTime,
                                unsigned permissions) {
    const QString temporary = TemporaryNameFor(finalPath);
    return Publish(temporary, finalPath,
                   WriteTemporaryByName(temporary, finalPath, write, fileTime, permissions));
}

Status PutInPlace(const QString& completePath, const QString& finalPath) {
    if (const int error = ReplaceFile(completePath, finalPath)) return CannotPutInPlace(finalPath, error);
    // The file is in place by now; only its name may not outlast a crash.
    if (const int error = FlushFolderToDisk(QFileInfo(finalPath).absolutePath()))
        return SystemFailure(FailureCode::CannotWrite,
                             QStringLiteral("cannot flush the folder of %1 to disk").arg(finalPath), error);
    return {};
}
