// TNetCdf holds one netCDF dataset opened read-only and reads one variable of it as 16-bit values;
// TNetCdfGoes adds what a GOES image file needs: its band and whether its header was read.
// Every failure of the netCDF library becomes a Failure here, so no caller sees its status codes.
#pragma once

#include "Failure.h"
#include "PinnedFile.h"

#include <QByteArray>
#include <QFile>
#include <QString>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

class TNetCdf {
public:
    explicit TNetCdf(std::chrono::milliseconds retryDelay);
    ~TNetCdf();
    TNetCdf(const TNetCdf&) = delete;
    TNetCdf& operator=(const TNetCdf&) = delete;

    // Sets up the netCDF and HDF5 libraries ahead of the first open, for a process started before it knows
    // its file. Any failure shows again, with its reason, when a file is opened.
    static void PrepareLibraries();

    // Opens the file read-only, trying once more after the retry delay. The name is kept even on failure.
    Status Open(const QString& fileName);
    // Reads the whole variable VariableId in row-major order (last dimension fastest); refuses, reading
    // nothing, unless the variable is numeric and holds exactly buffer.size() values.
    Status ReadShortData(std::span<std::uint16_t> buffer) const;
    // The number of values of the numeric variable VariableId; none for any other variable.
    std::optional<std::size_t> VariableSize() const;
    // Fails unless VariableId is numeric and holds exactly that many values.
    Status CheckVariableHolds(std::size_t values) const;
    // Fails unless the file can hold all the data VariableId declares: a classic file must reach the end of
    // the variable's data; a netCDF-4 file must have written every chunk of it and be large enough for it
    // at the best ratio its compression can reach. The library itself reads absent data as fill values.
    Status CheckVariableStored() const;

    const QString& FileName() const { return fileName_; }
    // The dataset identifier; 0 when none is open (the library never hands out 0).
    std::int32_t Handle() const { return handle_; }
    std::int32_t VariableId() const { return variableId_; }
    float ProjectionLongitude() const { return projectionLongitude_; }

    std::optional<int> FindVariable(const char* name) const;
    // Scalar attributes only: an attribute that holds several values is treated as missing.
    std::optional<float> ReadFloatAttribute(int variableId, const char* name) const;
    std::optional<double> ReadDoubleAttribute(int variableId, const char* name) const;
    // A text attribute of at most kLongestTextAttribute characters.
    std::optional<QByteArray> ReadTextAttribute(int variableId, const char* name) const;
    static constexpr std::size_t kLongestTextAttribute = 1024;
    // The value of the numeric variable that holds exactly one value; none when the file lacks it, or it
    // holds its fill value (its _FillValue, else the library's default for its type). An integer is read as
    // the library converts it (a fraction is cut off); a real that is not finite is none.
    std::optional<long long> ReadScalarInteger(const char* name) const;
    std::optional<double> ReadScalarReal(const char* name) const;

protected:
    std::optional<std::size_t> DimensionLength(const char* name) const;
    std::optional<std::int16_t> ReadShortAttribute(int variableId, const char* name) const;

    std::int32_t variableId_ = 0;
    float projectionLongitude_ = 0;

private:
    void Close();
    Status OpenOnce();
    bool IsScalarAttribute(int variableId, const char* name) const;
    // The number of values of a numeric variable; none for any other variable.
    std::optional<std::size_t> ValueCount(int variableId) const;
    // The variable of that name when it is numeric, holds one value and that value is not its fill value.
    std::optional<int> FindFilledScalar(const char* name) const;
    Status CheckClassicStored() const;
    Status CheckHdf5Stored(std::uint64_t declaredBytes) const;
    // The name of VariableId when it is a netCDF-4 variable of 16-bit integers; none otherwise.
    std::optional<QByteArray> Hdf5VariableName() const;

    // The libraries' name for the file opened, as QFile takes it.
    QString LibraryFileName() const { return QFile::decodeName(file_.LibraryName()); }

    std::chrono::milliseconds retryDelay_;
    QString fileName_;
    PinnedFile file_;
    std::int32_t handle_ = 0;
    // Where each variable's data ends, for classic files only.
    std::vector<std::uint64_t> classicDataEnds_;
};

class TNetCdfGoes : public TNetCdf {
public:
    using TNetCdf::TNetCdf;

    // 0 = B01 … 15 = B16.
    std::uint8_t BandIndex() const { return bandIndex_; }
    bool HeaderValid() const { return headerValid_; }

protected:
    std::uint8_t bandIndex_ = 0;
    bool headerValid_ = false;
};
