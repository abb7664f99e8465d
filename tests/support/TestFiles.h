// Whole-file reads and writes for tests that prepare or inspect real files.
#pragma once

#include <QByteArray>
#include <QString>
#include <functional>

class QIODevice;

// The file's bytes; empty when it cannot be read.
QByteArray ReadWholeFile(const QString& fileName);
// Creates or replaces the file with `bytes`; false when that failed.
bool WriteWholeFile(const QString& fileName, const QByteArray& bytes);
// Creates or replaces the file and hands it, open for writing, to `write`; false when write answers false or
// the file cannot be created or flushed.
bool WriteFileWith(const QString& fileName, const std::function<bool(QIODevice& file)>& write);
