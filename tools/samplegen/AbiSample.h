// Writes synthetic GOES-R ABI L1b full-disk radiance files laid out as the operational netCDF-4 products,
// for tests, benchmarks and the demonstration.
#pragma once

#include "AbiBandConstants.h"

#include <QDate>
#include <QDateTime>
#include <QString>
#include <QTime>
#include <cstdint>
#include <vector>

struct AbiSampleOptions {
    int satellite = 16; // 16..19 -> "G16".."G19"
    int band = 13;      // 1..16
    int scanMode = 6;   // the M digit of the file name: 3, 4 or 6
    QDateTime start = QDateTime(QDate(2025, 1, 21), QTime(20, 2, 4, 500), Qt::UTC);
    int size = 0; // image width = height in pixels; 0 = FullDiskSize(band)
    float longitude = -75.2f;
    uint32_t seed = 1; // the scene is a deterministic function of all options
    // When not empty: exactly size * size counts, row by row, written instead of the scene.
    std::vector<uint16_t> counts;
    // The share of the Earth's disk, in percent (0 to 100), lost as a broken downlink loses it: whole rows
    // from the middle of the disk southwards (then northwards), whose Earth pixels (those not at the fill
    // value) are written as fill values flagged "no value" and counted as missing. Pixel counts and quality
    // shares agree with what is written.
    double missingRowsPercent = 0;
    // The share of the data lost to uncorrectable errors, in percent (0 to 100), as the file states it; made
    // from the GRB broadcast, the file states it as percent_uncorrectable_GRB_errors instead of _L0_.
    double uncorrectableErrorsPercent = 0;
    bool grb = false;
};

// The image width and height that the options give (FullDiskSize(band) when size is 0).
int AbiSampleSize(const AbiSampleOptions& options);

// The operational file name, e.g.
// OR_ABI-L1b-RadF-M6C13_G16_s20250212002045_e20250212011353_c20250212011412.nc.
// Throws std::runtime_error when an option is out of range.
QString AbiSampleFileName(const AbiSampleOptions& options);

// Writes the file into folder (which must exist) and returns its full path. The file is written under a
// hidden temporary name and renamed when complete. Throws std::runtime_error on any failure.
QString WriteAbiSample(const AbiSampleOptions& options, const QString& folder);
