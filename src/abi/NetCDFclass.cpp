// The netCDF dataset object: opening with one retry, scalar attributes, single values and whole-variable
// reads.
#include "NetCDFclass.h"

#include "ClassicLayout.h"
#include "DeflatedChunks.h"
#include "Hdf5Errors.h"
#include "Hdf5Storage.h"
#include "NetCDFdeclarations.h"

#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <algorithm>
#include <cmath>
#include <cstring>
#include <hdf5.h>
#include <thread>
#include <utility>
#include <vector>

namespace {

bool IsNumericType(nc_type type) {
    return type >= NC_BYTE && type <= NC_UINT64 && type != NC_CHAR;
}

// The operator's reading of a netCDF status; positive statuses are the system's errno values.
Failure NetCdfFailure(int status) {
    switch (status) {
    case ENOENT:
        return {FailureCode::FileVanished, QStringLiteral("file vanished")};
    case NC_ENOTNC:
        return {FailureCode::NotNetCdf, QStringLiteral("not a netCDF file")};
    case NC_EHDFERR:
        if (TakeHdf5AllocationFailure()) return {FailureCode::OutOfMemory, QStringLiteral("out of memory")};
        return {FailureCode::DamagedNetCdf, QStringLiteral("damaged netCDF file (HDF error)")};
    case NC_ETRUNC:
        return {FailureCode::DamagedNetCdf, QStringLiteral("damaged netCDF file (cut short)")};
    case NC_EFILTER:
        return {FailureCode::DamagedNetCdf,
                QStringLiteral("damaged netCDF file (compressed data unreadable)")};
    case NC_ENOFILTER:
        return {FailureCode::DamagedNetCdf,
                QStringLiteral("unreadable netCDF file (its compression is not available here)")};
    case NC_ENOMEM:
        return {FailureCode::OutOfMemory, QStringLiteral("out of memory")};
    default:
        if (status > 0)
            return SystemFailure(FailureCode::FileVanished, QStringLiteral("cannot open"), status);
        return {FailureCode::DamagedNetCdf,
                QStringLiteral("damaged netCDF file (%1)").arg(QString::fromUtf8(nc_strerror(status)))};
    }
}

// zlib cannot shrink data more than about 1032 times: a file smaller than that part of its declared data
// cannot hold it.
constexpr std::uint64_t kBestDeflateRatio = 1032;

Failure DataMissing(const QString& detail) {
    return {FailureCode::RadianceDataMissing,
            QStringLiteral("radiance data missing from the file (%1)").arg(detail)};
}

QString DataSize(std::uint64_t bytes) {
    return QLocale::c().formattedDataSize(static_cast<qint64>(std::min<std::uint64_t>(bytes, INT64_MAX)), 1,
                                          QLocale::DataSizeSIFormat);
}

} // namespace

TNetCdf::TNetCdf(std::chrono::milliseconds retryDelay) : retryDelay_(retryDelay) {}

TNetCdf::~TNetCdf() {
    Close();
}

void TNetCdf::Close() {
    // Opened for reading only: closing has nothing to lose.
    if (handle_ != 0) static_cast<void>(nc_close(handle_));
    handle_ = 0;
    file_.Close();
}

void TNetCdf::PrepareLibraries() {
    static_cast<void>(nc_initialize());
    static_cast<void>(H5open());
}

Status TNetCdf::Open(const QString& fileName) {
    NoteHdf5ErrorsInsteadOfPrinting();
    Close();
    fileName_ = fileName;
    Status opened = OpenOnce();
    if (!opened) {
        std::this_thread::sleep_for(retryDelay_);
        opened = OpenOnce();
    }
    if (!opened) Close();
    return opened;
}

Status TNetCdf::OpenOnce() {
    // The library trusts the lengths in a classic header and may ask for gigabytes on behalf of a file of a
    // few hundred bytes, so such a header is read here first, within the file's own size.
    classicDataEnds_.clear();
    if (const int error = file_.Open(fileName_); error != 0) return NetCdfFailure(error);
    QFile file(LibraryFileName());
    if (file.open(QIODevice::ReadOnly) && ClassicVersion(file)) {
        auto ends = ClassicDataEnds(file);
        if (!ends)
            return Failure{FailureCode::DamagedNetCdf,
                           QStringLiteral("damaged netCDF file (header unreadable)")};
        classicDataEnds_ = std::move(*ends);
    }
    int id = 0;
    if (const int status = nc_open(file_.LibraryName().constData(), NC_NOWRITE, &id); status != NC_NOERR)
        return NetCdfFailure(status);
    handle_ = id;
    return {};
}

std::optional<std::size_t> TNetCdf::VariableSize() const {
    return ValueCount(variableId_);
}

std::optional<std::size_t> TNetCdf::ValueCount(int variableId) const {
    nc_type type = NC_NAT;
    int dimensionCount = 0;
    if (handle_ == 0 || nc_inq_vartype(handle_, variableId, &type) != NC_NOERR || !IsNumericType(type) ||
        nc_inq_varndims(handle_, variableId, &dimensionCount) != NC_NOERR)
        return std::nullopt;
    std::vector<int> dimensions(static_cast<std::size_t>(dimensionCount));
    if (nc_inq_vardimid(handle_, variableId, dimensions.data()) != NC_NOERR) return std::nullopt;
    std::size_t size = 1;
    for (const int dimension : dimensions) {
        std::size_t length = 0;
        if (nc_inq_dimlen(handle_, dimension, &length) != NC_NOERR) return std::nullopt;
        if (length != 0 && size > SIZE_MAX / length) return std::nullopt;
        size *= length;
    }
    return size;
}

Status TNetCdf::CheckVariableHolds(std::size_t values) const {
    const auto size = VariableSize();
    if (!size)
        return Failure{FailureCode::NoRadianceVariable, QStringLiteral("radiance variable is not numeric")};
    if (*size != values)
        return Failure{FailureCode::NoRadianceVariable,
                       QStringLiteral("radiance variable holds %1 values, not %2").arg(*size).arg(values)};
    return {};
}

Status TNetCdf::CheckVariableStored() const {
    const auto values = VariableSize();
    nc_type type = NC_NAT;
    std::size_t typeSize = 0;
    int format = 0;
    if (!values || nc_inq_vartype(handle_, variableId_, &type) != NC_NOERR ||
        nc_inq_type(handle_, type, nullptr, &typeSize) != NC_NOERR ||
        nc_inq_format(handle_, &format) != NC_NOERR)
        return Failure{FailureCode::NoRadianceVariable, QStringLiteral("radiance variable is not numeric")};
    if (format != NC_FORMAT_NETCDF4 && format != NC_FORMAT_NETCDF4_CLASSIC) return CheckClassicStored();
    const std::uint64_t declared = *values > UINT64_MAX / typeSize ? UINT64_MAX : *values * typeSize;
    return CheckHdf5Stored(declared);
}

Status TNetCdf::CheckClassicStored() const {
    if (variableId_ < 0 || static_cast<std::size_t>(variableId_) >= classicDataEnds_.size())
        return Failure{FailureCode::DamagedNetCdf, QStringLiteral("damaged netCDF file (header unreadable)")};
    const std::uint64_t end = classicDataEnds_[static_cast<std::size_t>(variableId_)];
    const auto size = static_cast<std::uint64_t>(std::max<qint64>(QFileInfo(LibraryFileName()).size(), 0));
    if (end > size)
        return DataMissing(QStringLiteral("the file ends at %1 of %2").arg(DataSize(size), DataSize(end)));
    return {};
}

Status TNetCdf::CheckHdf5Stored(std::uint64_t declaredBytes) const {
    char name[NC_MAX_NAME + 1] = {};
    if (const int status = nc_inq_varname(handle_, variableId_, name); status != NC_NOERR)
        return NetCdfFailure(status);
    const auto storage = ReadDatasetStorage(file_.LibraryName(), name);
    if (!storage) return NetCdfFailure(NC_EHDFERR);

    const auto fileSize =
        static_cast<std::uint64_t>(std::max<qint64>(QFileInfo(LibraryFileName()).size(), 0));
    const std::uint64_t ratio = storage->compression == DatasetStorage::Compression::None ? 1
                                : storage->compression == DatasetStorage::Compression::Deflate
                                    ? kBestDeflateRatio
                                    : 0;
    if (ratio != 0 && declaredBytes / ratio > fileSize)
        return DataMissing(
            QStringLiteral("%1 declared in a file of %2").arg(DataSize(declaredBytes), DataSize(fileSize)));
    if (storage->chunksWritten < storage->chunksDeclared)
        return DataMissing(QStringLiteral("%1 of %2 chunks written")
                               .arg(storage->chunksWritten)
                               .arg(storage->chunksDeclared));
    return {};
}

Status TNetCdf::ReadShortData(std::span<std::uint16_t> buffer) const {
    if (Status fits = CheckVariableHolds(buffer.size()); !fits) return fits;
    if (const auto name = Hdf5VariableName()) {
        const Result<ChunkRead> read = ReadDeflatedShortChunks(file_.LibraryName(), *name, buffer);
        if (!read) return read.status();
        if (*read == ChunkRead::Done) return {};
    }
    // Each chunk is read once, straight into the buffer: a chunk cache would only add to the peak memory.
    nc_set_var_chunk_cache(handle_, variableId_, 0, 1, 0);
    // The library hands out the raw 16-bit patterns; the counts are their unsigned reading.
    const int status = nc_get_var_short(handle_, variableId_, reinterpret_cast<short*>(buffer.data()));
    if (status != NC_NOERR) return NetCdfFailure(status);
    return {};
}

std::optional<QByteArray> TNetCdf::Hdf5VariableName() const {
    int format = 0;
    nc_type type = NC_NAT;
    char name[NC_MAX_NAME + 1] = {};
    if (nc_inq_format(handle_, &format) != NC_NOERR ||
        (format != NC_FORMAT_NETCDF4 && format != NC_FORMAT_NETCDF4_CLASSIC) ||
        nc_inq_vartype(handle_, variableId_, &type) != NC_NOERR || type != NC_SHORT ||
        nc_inq_varname(handle_, variableId_, name) != NC_NOERR)
        return std::nullopt;
    return QByteArray(name);
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

std::optional<float> TNetCdf::ReadFloatAttribute(int variableId, const char* name) const {
    float value = 0;
    if (!IsScalarAttribute(variableId, name) ||
        nc_get_att_float(handle_, variableId, name, &value) != NC_NOERR)
        return std::nullopt;
    return value;
}

std::optional<double> TNetCdf::ReadDoubleAttribute(int variableId, const char* name) const {
    double value = 0;
    if (!IsScalarAttribute(variableId, name) ||
        nc_get_att_double(handle_, variableId, name, &value) != NC_NOERR)
        return std::nullopt;
    return value;
}

std::optional<QByteArray> TNetCdf::ReadTextAttribute(int variableId, const char* name) const {
    nc_type type = NC_NAT;
    std::size_t length = 0;
    if (nc_inq_att(handle_, variableId, name, &type, &length) != NC_NOERR || type != NC_CHAR ||
        length > kLongestTextAttribute)
        return std::nullopt;
    QByteArray text(static_cast<qsizetype>(length), '\0');
    if (nc_get_att_text(handle_, variableId, name, text.data()) != NC_NOERR) return std::nullopt;
    return text;
}

std::optional<std::int16_t> TNetCdf::ReadShortAttribute(int variableId, const char* name) const {
    short value = 0;
    if (!IsScalarAttribute(variableId, name) ||
        nc_get_att_short(handle_, variableId, name, &value) != NC_NOERR)
        return std::nullopt;
    return value;
}

std::optional<int> TNetCdf::FindFilledScalar(const char* name) const {
    const std::optional<int> id = FindVariable(name);
    if (!id || ValueCount(*id) != 1u) return std::nullopt;
    // Compared in the variable's own type, bit for bit, as the library writes its fill value.
    std::uint64_t value = 0, fill = 0;
    nc_type type = NC_NAT;
    std::size_t size = 0;
    if (nc_inq_vartype(handle_, *id, &type) != NC_NOERR ||
        nc_inq_type(handle_, type, nullptr, &size) != NC_NOERR || size > sizeof value ||
        nc_get_var(handle_, *id, &value) != NC_NOERR ||
        nc_inq_var_fill(handle_, *id, nullptr, &fill) != NC_NOERR)
        return std::nullopt;
    if (std::memcmp(&value, &fill, size) == 0) return std::nullopt;
    return id;
}

std::optional<long long> TNetCdf::ReadScalarInteger(const char* name) const {
    long long value = 0;
    const std::optional<int> id = FindFilledScalar(name);
    if (!id || nc_get_var_longlong(handle_, *id, &value) != NC_NOERR) return std::nullopt;
    return value;
}

std::optional<double> TNetCdf::ReadScalarReal(const char* name) const {
    double value = 0;
    const std::optional<int> id = FindFilledScalar(name);
    if (!id || nc_get_var_double(handle_, *id, &value) != NC_NOERR || !std::isfinite(value))
        return std::nullopt;
    return value;
}
