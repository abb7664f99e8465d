// The netCDF C library binding: the one place that includes its header.
#pragma once

#include <netcdf.h>
