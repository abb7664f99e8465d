// Placing a generated file where processing takes it from.
#pragma once

#include <QFile>
#include <QString>
#include <filesystem>

// The file appears at `received` without a second copy on disk where the folders allow it: processing then
// deletes only the link.
inline bool PlaceReceivedFile(const QString& original, const QString& received) {
    std::error_code error;
    std::filesystem::create_hard_link(original.toStdString(), received.toStdString(), error);
    return !error || QFile::copy(original, received);
}
