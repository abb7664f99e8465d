// netCDF-C writing calls wrapped with error checks.
#include "NcWriter.h"

#include <algorithm>
#include <stdexcept>

void NcCheck(int status, std::string_view what) {
    if (status != NC_NOERR) throw std::runtime_error(std::string(what) + ": " + nc_strerror(status));
}

NcVariable::NcVariable(int fileId, int variableId, std::string name)
    : fileId_(fileId), variableId_(variableId), name_(std::move(name)) {}

void NcVariable::PutAttribute(const char* attribute, nc_type type, size_t count, const void* values) const {
    NcCheck(nc_put_att(fileId_, variableId_, attribute, type, count, values),
            "cannot write attribute " + name_ + ":" + attribute);
}

const NcVariable& NcVariable::Text(const char* attribute, std::string_view value) const {
    NcCheck(nc_put_att_text(fileId_, variableId_, attribute, value.size(), value.data()),
            "cannot write attribute " + name_ + ":" + attribute);
    return *this;
}

void NcVariable::Compress(size_t chunkEdge, size_t rows, size_t columns, int deflateLevel) const {
    const size_t chunks[2] = {std::min(chunkEdge, rows), std::min(chunkEdge, columns)};
    NcCheck(nc_def_var_chunking(fileId_, variableId_, NC_CHUNKED, chunks), "cannot chunk " + name_);
    NcCheck(nc_def_var_deflate(fileId_, variableId_, 1, 1, deflateLevel), "cannot compress " + name_);
}

void NcVariable::Write(const void* values) const {
    NcCheck(nc_put_var(fileId_, variableId_, values), "cannot write " + name_);
}

void NcVariable::WriteRows(size_t firstRow, size_t rowCount, size_t columns, const void* values) const {
    const size_t start[2] = {firstRow, 0};
    const size_t count[2] = {rowCount, columns};
    NcCheck(nc_put_vara(fileId_, variableId_, start, count, values), "cannot write " + name_);
}

NcFile::NcFile(const QString& path) {
    NcCheck(nc_create(path.toLocal8Bit().constData(), NC_NETCDF4 | NC_CLOBBER, &id_),
            "cannot create " + path.toStdString());
}

NcFile::~NcFile() {
    if (id_ >= 0) nc_close(id_);
}

int NcFile::DefineDimension(const char* name, size_t length) {
    int dimension = -1;
    NcCheck(nc_def_dim(id_, name, length, &dimension), std::string("cannot define dimension ") + name);
    return dimension;
}

NcVariable NcFile::DefineVariable(const char* name, nc_type type, std::initializer_list<int> dimensions) {
    int variable = -1;
    NcCheck(nc_def_var(id_, name, type, static_cast<int>(dimensions.size()), dimensions.begin(), &variable),
            std::string("cannot define variable ") + name);
    return NcVariable(id_, variable, name);
}

NcVariable NcFile::Global() const {
    return NcVariable(id_, NC_GLOBAL, "global");
}

NcVariable NcFile::Variable(const char* name) const {
    int variable = -1;
    NcCheck(nc_inq_varid(id_, name, &variable), std::string("no variable ") + name);
    return NcVariable(id_, variable, name);
}

void NcFile::EndDefinitions() {
    NcCheck(nc_enddef(id_), "cannot leave define mode");
}

void NcFile::Close() {
    const int id = id_;
    id_ = -1;
    NcCheck(nc_close(id), "cannot complete the file");
}
