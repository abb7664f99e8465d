// Whole-file reads and writes for tests that prepare or inspect real files.
#pragma once

#include <QByteArray>
#include <QString>

// The file's bytes; empty when it cannot be read.
QByteArray ReadWholeFile(const QString& fileName);
// Creates or replaces the file with `bytes`; false when that failed.
bool WriteWholeFile(const QString& fileName, const QByteArray& bytes);
