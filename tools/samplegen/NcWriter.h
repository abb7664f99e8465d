// A small RAII layer over the netCDF-C calls that create a netCDF-4 file; every failure throws.
#pragma once

#include <netcdf.h>

#include <QString>
#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>

// Throws std::runtime_error("<what>: <netCDF message>") when status is not NC_NOERR.
void NcCheck(int status, std::string_view what);

// A variable (or, with NC_GLOBAL, the file itself) of an open file. Attribute and data values are passed in
// the external type of the attribute or variable, so nothing is converted on the way.
class NcVariable {
public:
    NcVariable(int fileId, int variableId, std::string name);

    const NcVariable& Text(const char* attribute, std::string_view value) const;
    const NcVariable& Bytes(const char* attribute, std::initializer_list<int8_t> values) const {
        return Put(attribute, NC_BYTE, values);
    }
    const NcVariable& Shorts(const char* attribute, std::initializer_list<int16_t> values) const {
        return Put(attribute, NC_SHORT, values);
    }
    const NcVariable& Ints(const char* attribute, std::initializer_list<int32_t> values) const {
        return Put(attribute, NC_INT, values);
    }
    const NcVariable& Floats(const char* attribute, std::initializer_list<float> values) const {
        return Put(attribute, NC_FLOAT, values);
    }
    const NcVariable& Doubles(const char* attribute, std::initializer_list<double> values) const {
        return Put(attribute, NC_DOUBLE, values);
    }

    // Square chunks of the given edge (clamped to the dimensions), byte shuffle and zlib at the level.
    void Compress(size_t chunkEdge, size_t rows, size_t columns, int deflateLevel) const;

    // The whole variable, in its own type.
    void Write(const void* values) const;
    // Rows [firstRow, firstRow + rowCount) of a two-dimensional variable, in its own type.
    void WriteRows(size_t firstRow, size_t rowCount, size_t columns, const void* values) const;

private:
    template <typename T>
    const NcVariable& Put(const char* attribute, nc_type type, std::initializer_list<T> values) const {
        PutAttribute(attribute, type, values.size(), values.begin());
        return *this;
    }
    void PutAttribute(const char* attribute, nc_type type, size_t count, const void* values) const;

    int fileId_;
    int variableId_;
    std::string name_;
};

class NcFile {
public:
    // Creates (or replaces) a netCDF-4/HDF5 file.
    explicit NcFile(const QString& path);
    ~NcFile();
    NcFile(const NcFile&) = delete;
    NcFile& operator=(const NcFile&) = delete;

    int DefineDimension(const char* name, size_t length);
    NcVariable DefineVariable(const char* name, nc_type type, std::initializer_list<int> dimensions = {});
    NcVariable Global() const;
    // A variable defined before; throws when there is none of that name.
    NcVariable Variable(const char* name) const;
    void EndDefinitions();
    // Flushes and closes; throws when the data could not be written completely.
    void Close();

private:
    int id_ = -1;
};
