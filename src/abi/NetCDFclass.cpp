// The netCDF dataset object: opening with one retry, scalar attributes and whole-variable reads.
#include "NetCDFclass.h"

#include "NetCDFdeclarations.h"

#include <QFile>
#include <hdf5.h>
#include <thread>
#include <vector>

namespace {

bool IsNumericType(nc_type type) {
    return type >= NC_BYTE && type <= NC_UINT64 && type != NC_CHAR;
}

} // namespace

TNetCdf::TNetCdf(std::chrono::milliseconds retryDelay) : retryDelay_(retryDelay) {}

TNetCdf::~TNetCdf() {
    Close();
}

void TNetCdf::Close() {
    if (handle_ == 0) return;
    nc_close(handle_);
    handle_ = 0;
}

namespace {

// The HDF5 library below netCDF prints every error of its own to stderr unless told not to, and that setting
// belongs to each thread; netCDF silences only the thread that first used it. Lookups of optional attributes
// fail routinely, so a worker thread would fill the log with them.
void SilenceHdf5ErrorPrinting() {
    thread_local const bool silenced = H5Eset_auto2(H5E_DEFAULT, nullptr, nullptr) >= 0;
    (void)silenced;
}

} // namespace

bool TNetCdf::Open(const QString& fileName) {
    SilenceHdf5ErrorPrinting();
    Close();
    fileName_ = fileName;
    const QByteArray path = QFile::encodeName(fileName);
    int id = 0;
    int status = nc_open(path.constData(), NC_NOWRITE, &id);
    if (status != NC_NOERR) {
        std::this_thread::sleep_for(retryDelay_);
        status = nc_open(path.constData(), NC_NOWRITE, &id);
    }
    if (status != NC_NOERR) return false;
    handle_ = id;
    return true;
}

std::optional<std::size_t> TNetCdf::VariableSize() const {
    nc_type type = NC_NAT;
    int dimensionCount = 0;
    if (handle_ == 0 || nc_inq_vartype(handle_, variableId_, &type) != NC_NOERR || !IsNumericType(type) ||
        nc_inq_varndims(handle_, variableId_, &dimensionCount) != NC_NOERR)
        return std::nullopt;
    std::vector<int> dimensions(static_cast<std::size_t>(dimensionCount));
    if (nc_inq_vardimid(handle_, variableId_, dimensions.data()) != NC_NOERR) return std::nullopt;
    std::size_t size = 1;
    for (const int dimension : dimensions) {
        std::size_t length = 0;
        if (nc_inq_dimlen(handle_, dimension, &length) != NC_NOERR) return std::nullopt;
        if (length != 0 && size > SIZE_MAX / length) return std::nullopt;
        size *= length;
    }
    return size;
}

bool TNetCdf::ReadShortData(std::span<std::uint16_t> buffer) const {
    if (VariableSize() != buffer.size()) return false;
    // Each chunk is read once, straight into the buffer: a chunk cache would only add to the peak memory.
    nc_set_var_chunk_cache(handle_, variableId_, 0, 1, 0);
    // The library hands out the raw 16-bit patterns; the counts are their unsigned reading.
    return nc_get_var_short(handle_, variableId_, reinterpret_cast<short*>(buffer.data())) == NC_NOERR;
}

std::optional<int> TNetCdf::FindVariable(const char* name) const {
    int id = 0;
    if (nc_inq_varid(handle_, name, &id) != NC_NOERR) return std::nullopt;
    return id;
}

std::optional<std::size_t> TNetCdf::DimensionLength(const char* name) const {
    int id = 0;
    std::size_t length = 0;
    if (nc_inq_dimid(handle_, name, &id) != NC_NOERR || nc_inq_dimlen(handle_, id, &length) != NC_NOERR)
        return std::nullopt;
    return length;
}

bool TNetCdf::IsScalarAttribute(int variableId, const char* name) const {
    std::size_t length = 0;
    return nc_inq_attlen(handle_, variableId, name, &length) == NC_NOERR && length == 1;
}

bool TNetCdf::ReadAttribute(int variableId, const char* name, float& value) const {
    float read = 0;
    if (!IsScalarAttribute(variableId, name) ||
        nc_get_att_float(handle_, variableId, name, &read) != NC_NOERR)
        return false;
    value = read;
    return true;
}

bool TNetCdf::ReadAttribute(int variableId, const char* name, std::int16_t& value) const {
    short read = 0;
    if (!IsScalarAttribute(variableId, name) ||
        nc_get_att_short(handle_, variableId, name, &read) != NC_NOERR)
        return false;
    value = read;
    return true;
}
