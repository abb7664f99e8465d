// What the name of an ABI file tells: satellite, band, scan mode, scan start and schedule slot.
#pragma once

#include "BandTables.h"
#include "DateTime.h"

#include <QString>
#include <cstdint>
#include <optional>

struct AbiFileInfo {
    SatelliteCode satellite = 0; // 1 = GOES-16 … 4 = GOES-19
    std::uint8_t bandIndex = 0;  // 0 = B01 … 15 = B16
    std::uint8_t scanMode = 0;   // 1, 2, 3 for mode digits 3, 4, 6; 0 for any other digit
    TDateTime startTime = 0;     // the scan start, seconds dropped
    TDateTime nominalTime = 0;   // the start of the 10-minute (mode 3) or 15-minute slot of the scan
    // The start-time field as written (year, day of year, hour, minute, second, tenth: 14 characters, fewer
    // when the name ends early): with the band, the order in which a scan's files are processed.
    QString startField;
};

// Decodes "OR_ABI-L1b-RadF-M6C13_G16_s20240021230205_…" (or an "IR_ABI-L2-CMIPF-" name), folder and case
// ignored; none when any required field is missing or out of range, or when the name holds a control
// character (C0, C1 or DEL) anywhere.
std::optional<AbiFileInfo> DecodeAbiFileName(const QString& fileName);

// The band index (band number − 1, wrapping to 255 when the band field is not a number) of a name that
// starts with "OR_ABI-L1B-RADF-M" or "IR_ABI-L2-CMIPF-M", folder and case ignored; none for any other name.
std::optional<std::uint8_t> BandIndexFromAbiName(const QString& fileName);
