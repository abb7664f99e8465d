// Changes to a netCDF file after it was written, for files that lack what the sample generator writes.
#pragma once

#include <QString>

// Deletes one attribute of a variable; false when the file, the variable or the attribute cannot be found or
// the file cannot be changed.
bool DeleteNetCdfAttribute(const QString& path, const char* variable, const char* attribute);
