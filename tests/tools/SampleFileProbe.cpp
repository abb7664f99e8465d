// netCDF-C read-back of generated sample files.
#include "SampleFileProbe.h"

#include <netcdf.h>

#include <gtest/gtest.h>

SampleFileProbe::SampleFileProbe(const QString& path) {
    const int status = nc_open(path.toLocal8Bit().constData(), NC_NOWRITE, &id_);
    EXPECT_EQ(status, NC_NOERR) << nc_strerror(status) << " opening " << path.toStdString();
    if (status != NC_NOERR) id_ = -1;
}

SampleFileProbe::~SampleFileProbe() {
    if (id_ >= 0) nc_close(id_);
}

int SampleFileProbe::VariableId(const char* name) const {
    if (std::string(name).empty()) return NC_GLOBAL;
    int variable = -1;
    return nc_inq_varid(id_, name, &variable) == NC_NOERR ? variable : -1;
}

std::map<std::string, size_t> SampleFileProbe::Dimensions() const {
    std::map<std::string, size_t> dimensions;
    int count = 0;
    if (nc_inq_ndims(id_, &count) != NC_NOERR) return dimensions;
    for (int dimension = 0; dimension < count; ++dimension) {
        char name[NC_MAX_NAME + 1] = {};
        size_t length = 0;
        if (nc_inq_dim(id_, dimension, name, &length) == NC_NOERR) dimensions[name] = length;
    }
    return dimensions;
}

int SampleFileProbe::AttributeType(const char* variable, const char* attribute) const {
    nc_type type = NC_NAT;
    nc_inq_atttype(id_, VariableId(variable), attribute, &type);
    return type;
}

std::string SampleFileProbe::Text(const char* variable, const char* attribute) const {
    const int id = VariableId(variable);
    size_t length = 0;
    if (AttributeType(variable, attribute) != NC_CHAR ||
        nc_inq_attlen(id_, id, attribute, &length) != NC_NOERR)
        return {};
    std::string text(length, '\0');
    nc_get_att_text(id_, id, attribute, text.data());
    return text;
}

std::vector<double> SampleFileProbe::Numbers(const char* variable, const char* attribute) const {
    const int id = VariableId(variable);
    size_t length = 0;
    if (nc_inq_attlen(id_, id, attribute, &length) != NC_NOERR) return {};
    std::vector<double> values(length);
    if (nc_get_att_double(id_, id, attribute, values.data()) != NC_NOERR) return {};
    return values;
}

double SampleFileProbe::Number(const char* variable, const char* attribute) const {
    const std::vector<double> values = Numbers(variable, attribute);
    EXPECT_EQ(values.size(), 1u) << variable << ":" << attribute;
    return values.empty() ? 0.0 : values.front();
}

std::vector<double> SampleFileProbe::Values(const char* variable) const {
    const int id = VariableId(variable);
    int dimensionCount = 0;
    if (id < 0 || nc_inq_varndims(id_, id, &dimensionCount) != NC_NOERR) return {};
    std::vector<int> dimensions(static_cast<size_t>(dimensionCount));
    nc_inq_vardimid(id_, id, dimensions.data());
    size_t total = 1;
    for (const int dimension : dimensions) {
        size_t length = 0;
        nc_inq_dimlen(id_, dimension, &length);
        total *= length;
    }
    std::vector<double> values(total);
    if (nc_get_var_double(id_, id, values.data()) != NC_NOERR) return {};
    return values;
}

std::vector<uint16_t> SampleFileProbe::Counts() const {
    const std::map<std::string, size_t> dimensions = Dimensions();
    std::vector<uint16_t> counts(dimensions.at("y") * dimensions.at("x"));
    // Read as raw 16-bit patterns, as the converter does.
    if (nc_get_var_short(id_, VariableId("Rad"), reinterpret_cast<short*>(counts.data())) != NC_NOERR)
        return {};
    return counts;
}

std::vector<uint8_t> SampleFileProbe::Flags() const {
    const std::map<std::string, size_t> dimensions = Dimensions();
    std::vector<uint8_t> flags(dimensions.at("y") * dimensions.at("x"));
    if (nc_get_var_schar(id_, VariableId("DQF"), reinterpret_cast<signed char*>(flags.data())) != NC_NOERR)
        return {};
    return flags;
}
