// One file for the ABI reader, and what is known of it before it is opened.
#pragma once

#include "AbiFileName.h"

#include <QString>
#include <chrono>
#include <optional>

struct AbiReadRequest {
    // The file opened: a received file, or a copy of one under any name.
    QString path;
    // What the received file's name said, decoded once where the file was received; the band comes from
    // it. Without it (a file converted by its own name) the band is taken from the name of the file opened.
    std::optional<AbiFileInfo> received;
    // An open that fails is tried once more after this pause.
    std::chrono::milliseconds retryOpen{0};
    bool singleFileMode = false;

    // A finished file read by its own name, opened once.
    static AbiReadRequest ByName(const QString& path) {
        AbiReadRequest request;
        request.path = path;
        return request;
    }
};
