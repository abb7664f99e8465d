// One file for the ABI reader, and what is known of it before it is opened.
#pragma once

#include "AbiFileName.h"

#include <QString>
#include <chrono>
#include <optional>

// What the reader forgives in a file that a person named, and never in a received one.
struct AbiReadLeniency {
    // A file without the variable asked for: the variable with identifier 0 is read instead.
    bool acceptFirstVariable = false;
    // A visible band's file without _FillValue: the 12-bit bands' fill value, 4095, is taken.
    bool defaultFillValue = false;

    // The leniency for a file named on the command line.
    static constexpr AbiReadLeniency ForNamedFile() { return {true, true}; }
    bool operator==(const AbiReadLeniency&) const = default;
};

struct AbiReadRequest {
    // The file opened: a received file, or a copy of one under any name.
    QString path;
    // What the received file's name said, decoded once where the file was received; the band comes from
    // it. Without it (a file converted by its own name) the band is taken from the name of the file opened.
    std::optional<AbiFileInfo> received;
    // An open that fails is tried once more after this pause.
    std::chrono::milliseconds retryOpen{0};
    AbiReadLeniency leniency;

    // A finished file read by its own name, opened once.
    static AbiReadRequest ByName(const QString& path) {
        AbiReadRequest request;
        request.path = path;
        return request;
    }
};
