// Small netCDF files written straight through the C library for the reader tests.
#include "NetCdfTestFile.h"

#include <QFile>
#include <stdexcept>
#include <string>

NetCdfTestFile::NetCdfTestFile(const QString& path) {
    Check(nc_create(QFile::encodeName(path).constData(), NC_NETCDF4 | NC_CLOBBER, &id_));
    open_ = true;
}

NetCdfTestFile::~NetCdfTestFile() {
    if (open_) nc_close(id_);
}

void NetCdfTestFile::Check(int status) const {
    if (status != NC_NOERR) throw std::runtime_error(std::string("netCDF: ") + nc_strerror(status));
}

void NetCdfTestFile::LeaveDefineMode() {
    if (!defining_) return;
    Check(nc_enddef(id_));
    defining_ = false;
}

int NetCdfTestFile::Dimension(const char* name, std::size_t length) {
    int dimension = 0;
    Check(nc_def_dim(id_, name, length, &dimension));
    return dimension;
}

int NetCdfTestFile::Variable(const char* name, nc_type type, std::initializer_list<int> dimensions) {
    int variable = 0;
    Check(nc_def_var(id_, name, type, static_cast<int>(dimensions.size()), std::data(dimensions), &variable));
    return variable;
}

void NetCdfTestFile::Compress(int variable) {
    int dimensionCount = 0;
    Check(nc_inq_varndims(id_, variable, &dimensionCount));
    std::vector<int> dimensions(static_cast<std::size_t>(dimensionCount));
    Check(nc_inq_vardimid(id_, variable, dimensions.data()));
    std::vector<std::size_t> chunk(dimensions.size());
    for (std::size_t i = 0; i < dimensions.size(); ++i) Check(nc_inq_dimlen(id_, dimensions[i], &chunk[i]));
    Check(nc_def_var_chunking(id_, variable, NC_CHUNKED, chunk.data()));
    Check(nc_def_var_deflate(id_, variable, 0, 1, 4));
}

void NetCdfTestFile::FloatAttribute(int variable, const char* name, std::initializer_list<float> values) {
    Check(nc_put_att_float(id_, variable, name, NC_FLOAT, values.size(), std::data(values)));
}

void NetCdfTestFile::DoubleAttribute(int variable, const char* name, double value) {
    Check(nc_put_att_double(id_, variable, name, NC_DOUBLE, 1, &value));
}

void NetCdfTestFile::ShortAttribute(int variable, const char* name, std::initializer_list<short> values) {
    Check(nc_put_att_short(id_, variable, name, NC_SHORT, values.size(), std::data(values)));
}

void NetCdfTestFile::WriteCounts(int variable, const std::vector<std::uint16_t>& counts) {
    LeaveDefineMode();
    Check(nc_put_var_short(id_, variable, reinterpret_cast<const short*>(counts.data())));
}

void NetCdfTestFile::Close() {
    if (!open_) return;
    open_ = false;
    Check(nc_close(id_));
}

QString AbiTestName(int band) {
    return QString::asprintf("OR_ABI-L1b-RadF-M6C%02d_G16_s20240021230205_e20240021239513_c20240021239570.nc",
                             band);
}

QString WriteAbiTestImage(const AbiTestImage& image, const QString& folder) {
    const QString path = folder + QLatin1Char('/') + AbiTestName(image.band);
    NetCdfTestFile file(path);
    const int y = file.Dimension("y", static_cast<std::size_t>(image.height));
    const int x = file.Dimension("x", static_cast<std::size_t>(image.width));
    const int radiance = file.Variable("Rad", NC_SHORT, {y, x});
    if (image.compressed) file.Compress(radiance);
    file.ShortAttribute(radiance, "_FillValue", {image.fillValue});
    file.FloatAttribute(radiance, "scale_factor", {image.scaleFactor});
    file.FloatAttribute(radiance, "add_offset", {image.addOffset});
    const int projection = file.Variable("goes_imager_projection", NC_INT, {});
    file.DoubleAttribute(projection, "longitude_of_projection_origin", image.longitude);
    file.WriteCounts(radiance, image.counts);
    file.Close();
    return path;
}
