// Durable publishing of output files through hidden temporary names.
#include "DurableFiles.h"

#include "FileSink.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <vector>

namespace {

constexpr qint64 kCopyChunkBytes = 1 << 20;

Failure CannotWriteBecause(const QString& finalPath, const Failure& reason) {
    return {reason.code, QStringLiteral("cannot write %1: %2").arg(finalPath, reason.message)};
}

// Everything up to the rename: the content, the file time, the flush and the size check.
Status WriteTemporary(const QString& temporary, const QString& finalPath, const ContentWriter& write,
                      TDateTime fileTime, unsigned permissions) {
    FileSink sink(finalPath);
    if (Status created = sink.Create(temporary, permissions); !created) return created;
    if (Status written = write(sink); !written) {
        if (sink.WriteFailure()) return *sink.WriteFailure();
        return CannotWriteBecause(finalPath, written.failure());
    }
    if (Status stamped = sink.Stamp(fileTime); !stamped) return stamped;
    return sink.Finish();
}

// As WriteTemporary, for content that the writer puts at the temporary file's path itself.
Status WriteTemporaryByName(const QString& temporary, const QString& finalPath, const NamedFileWriter& write,
                            TDateTime fileTime, unsigned permissions) {
    // The file is made here first, so that it never has wider permissions than allowed, even for a moment.
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

// Renames a written temporary file over finalPath; removes it after a failure, as after a failed write.
Status PutInPlace(const QString& temporary, const QString& finalPath, const Status& written) {
    // Removing the temporary file after a failure is tidying up: the failure reported is the one before it.
    if (!written) {
        QFile::remove(temporary);
        return written;
    }
    if (const int error = ReplaceFile(temporary, finalPath)) {
        QFile::remove(temporary);
        return CannotPutInPlace(finalPath, error);
    }
    if (const int error = FlushFolderToDisk(QFileInfo(finalPath).absolutePath()))
        return CannotPutInPlace(finalPath, error);
    return {};
}

} // namespace

QString TemporaryNameFor(const QString& finalPath) {
    const QFileInfo info(finalPath);
    return info.dir().filePath("." + info.fileName() + ".partial");
}

Status PublishFile(const QString& finalPath, const ContentWriter& write, TDateTime fileTime,
                   unsigned permissions) {
    const QString temporary = TemporaryNameFor(finalPath);
    return PutInPlace(temporary, finalPath,
                      WriteTemporary(temporary, finalPath, write, fileTime, permissions));
}

Status PublishFileWrittenByName(const QString& finalPath, const NamedFileWriter& write, TDateTime fileTime,
                                unsigned permissions) {
    const QString temporary = TemporaryNameFor(finalPath);
    return PutInPlace(temporary, finalPath,
                      WriteTemporaryByName(temporary, finalPath, write, fileTime, permissions));
}

Status CopyFileDurably(const QString& sourcePath, const QString& targetPath) {
    const Result<OpenedSource> source = OpenSourceFile(sourcePath);
    if (!source)
        return Failure{FailureCode::CannotCopy,
                       QStringLiteral("cannot copy %1: %2").arg(sourcePath, source.failure().message)};
    const Status copied = PublishFile(
        targetPath,
        [&](QIODevice& sink) -> Status {
            std::vector<char> buffer(kCopyChunkBytes);
            for (;;) {
                const Result<qint64> got = ReadSome(source->file, buffer.data(), kCopyChunkBytes);
                if (!got)
                    return Failure{FailureCode::CannotCopy,
                                   QStringLiteral("reading %1: %2").arg(sourcePath, got.failure().message)};
                if (*got == 0) return {};
                if (sink.write(buffer.data(), *got) != *got)
                    return Failure{FailureCode::CannotCopy, sink.errorString()};
            }
        },
        0, source->permissions);
    if (copied) return copied;
    return Failure{FailureCode::CannotCopy, copied.failure().message};
}
