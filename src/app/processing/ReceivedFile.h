// A received file as the scan lists it: its path and what its name tells, decoded once.
#pragma once

#include "AbiFileName.h"

#include <QString>
#include <optional>

struct ReceivedFile {
    QString path;
    std::optional<AbiFileInfo> name; // none when the name does not decode

    static ReceivedFile At(const QString& path) { return {path, DecodeAbiFileName(path)}; }
};
