// What the name of an ABI file tells: satellite, band, scan mode, scan start and schedule slot.
#pragma once

#include "BandTables.h"
#include "DateTime.h"

#include <QString>
#include <cstdint>
#include <optional>

// Decodes "OR_ABI-L1b-RadF-M6C13_G16_s20240021230205_…" (or an "IR_ABI-L2-CMIPF-" name), folder and case
// ignored. ScanMode is 1, 2, 3 for mode digits 3, 4, 6 and 0 otherwise; StartTime drops the seconds;
// NominalTime is the start of the 10-minute (mode 3) or 15-minute slot the scan belongs to. On failure the
// values written so far stay.
bool DecodeAbiFileName(const QString& fileName, SatelliteCode& satelliteCode, std::uint8_t& bandIndex,
                       TDateTime& startTime, TDateTime& nominalTime, std::uint8_t& scanMode);

// The band index (band number − 1, wrapping to 255 when the band field is not a number) of a name that
// starts with "OR_ABI-L1B-RADF-M" or "IR_ABI-L2-CMIPF-M", folder and case ignored; none for any other name.
std::optional<std::uint8_t> BandIndexFromAbiName(const QString& fileName);
