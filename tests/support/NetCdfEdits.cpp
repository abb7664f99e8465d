// Editing netCDF files in place with netCDF-C.
#include "NetCdfEdits.h"

#include <QFile>
#include <netcdf.h>

bool DeleteNetCdfAttribute(const QString& path, const char* variable, const char* attribute) {
    int file = -1, id = -1;
    if (nc_open(QFile::encodeName(path).constData(), NC_WRITE, &file) != NC_NOERR) return false;
    const bool deleted = nc_inq_varid(file, variable, &id) == NC_NOERR && nc_redef(file) == NC_NOERR &&
                         nc_del_att(file, id, attribute) == NC_NOERR;
    return nc_close(file) == NC_NOERR && deleted;
}
