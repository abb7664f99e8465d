// Durable publishing of output files through hidden temporary names.
#include "DurableFiles.h"

#include "FileSink.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <vector>

namespace {

constexpr qint64 kCopyChunkBytes = 1 << 20;

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
    if (const int error = ReplaceFile(temporary, finalPath)) {
        QFile::remove(temporary);
        return CannotPutInPlace(finalPath, error);
    }
    if (const int error = FlushFolderToDisk(QFileInfo(finalPath).absolutePath()))
        return CannotPutInPlace(finalPath, error);
    return {};
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
