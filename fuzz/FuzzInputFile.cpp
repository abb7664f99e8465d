// The in-memory folder and file behind WriteFuzzInput.
#include "FuzzInputFile.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <cstdio>
#include <cstdlib>

namespace {

[[noreturn]] void Abort(const QString& why) {
    std::fprintf(stderr, "fuzz input: %s\n", qPrintable(why));
    std::abort();
}

const QTemporaryDir& InputFolder() {
    static const QTemporaryDir folder(
        (QDir(QStringLiteral("/dev/shm")).exists() ? QStringLiteral("/dev/shm") : QDir::tempPath()) +
        QStringLiteral("/stratolux-fuzz-XXXXXX"));
    if (!folder.isValid()) Abort(QStringLiteral("cannot create a folder: ") + folder.errorString());
    return folder;
}

} // namespace

QString WriteFuzzInput(const std::uint8_t* data, std::size_t size, const QString& name) {
    const QString path = InputFolder().filePath(name);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
        file.write(reinterpret_cast<const char*>(data), static_cast<qint64>(size)) !=
            static_cast<qint64>(size) ||
        !file.flush())
        Abort(path + QStringLiteral(": ") + file.errorString());
    return path;
}
