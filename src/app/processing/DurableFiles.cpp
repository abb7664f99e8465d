// Durable copies of received files.
#include "DurableFiles.h"

#include <QFile>
#include <QIODevice>
#include <filesystem>
#include <vector>

namespace {

constexpr qint64 kCopyChunkBytes = 1 << 20;

} // namespace

Status CreateFolder(const QString& folder) {
    std::error_code error;
    std::filesystem::create_directories(QFile::encodeName(folder).toStdString(), error);
    if (error)
        return Failure{FailureCode::CannotCreateFolder,
                       "cannot create folder " + folder + ": " + QString::fromStdString(error.message())};
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
