// The generated full-disk scan that the window benchmarks process.
#pragma once

#include "BandTables.h"

#include <QDir>
#include <QStringList>
#include <cstdio>
#include <optional>

// The names of the sixteen GOES-16 files in the folder, in band order; none, said on standard error, when
// the folder holds no such scan.
inline std::optional<QStringList> SixteenBandScan(const QDir& scan) {
    const QStringList files = scan.entryList({"OR_ABI-L1b-RadF-M6C??_G16_*.nc"}, QDir::Files, QDir::Name);
    if (files.size() == kBandCount && files[1].contains("C02_")) return files;
    std::fprintf(stderr, "%s holds no sixteen-band scan of GOES-16\n", qPrintable(scan.path()));
    return std::nullopt;
}
