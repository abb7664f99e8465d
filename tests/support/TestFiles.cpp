// Whole-file reads and writes through QFile.
#include "TestFiles.h"

#include <QFile>

QByteArray ReadWholeFile(const QString& fileName) {
    QFile file(fileName);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool WriteWholeFile(const QString& fileName, const QByteArray& bytes) {
    QFile file(fileName);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

bool WriteFileWith(const QString& fileName, const std::function<bool(QIODevice& file)>& write) {
    QFile file(fileName);
    return file.open(QIODevice::WriteOnly) && write(file) && file.flush();
}
