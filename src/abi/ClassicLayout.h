// Where a classic netCDF file (format 1, 2 or 5) keeps the data of one variable, read from its header. The
// netCDF library hands out fill values for data beyond the end of such a file without an error; this is how
// the reader knows the data is there.
#pragma once

#include <QIODevice>
#include <cstdint>
#include <optional>

// The offset just past the last byte of the variable's data (for a record variable, at least that far);
// none when the header cannot be read or holds fewer variables. The device is read from its start.
std::optional<std::uint64_t> ClassicVariableDataEnd(QIODevice& file, int variableId);
