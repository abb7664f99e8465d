// Where a classic netCDF file (format 1, 2 or 5) keeps the data of one variable, read from its header. The
// netCDF library hands out fill values for data beyond the end of such a file without an error; this is how
// the reader knows the data is there.
#pragma once

#include <QIODevice>
#include <cstdint>
#include <optional>
#include <vector>

// 1, 2 or 5 when the device starts like a classic netCDF file of that format; read from its start.
std::optional<int> ClassicVersion(QIODevice& file);

// For each variable in the order of its identifier, the offset just past the last byte of its data (for a
// record variable, at least that far); none when the device holds no classic header or the header does not
// lie whole within the device. Read from its start; nothing is taken on trust, so a damaged header costs no
// more memory than the device's size.
std::optional<std::vector<std::uint64_t>> ClassicDataEnds(QIODevice& file);
