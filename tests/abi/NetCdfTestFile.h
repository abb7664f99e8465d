// Writes small netCDF files of any layout, for reader tests that need structures real files do not have.
#pragma once

#include <netcdf.h>

#include <QString>
#include <cstdint>
#include <initializer_list>
#include <vector>

class NetCdfTestFile {
public:
    // A netCDF-4 file, replacing any file at the path. Every failing library call throws std::runtime_error.
    explicit NetCdfTestFile(const QString& path);
    ~NetCdfTestFile();
    NetCdfTestFile(const NetCdfTestFile&) = delete;
    NetCdfTestFile& operator=(const NetCdfTestFile&) = delete;

    int Dimension(const char* name, std::size_t length);
    int Variable(const char* name, nc_type type, std::initializer_list<int> dimensions);
    // Compresses the variable in one chunk of its whole size (as large files are stored, in fewer chunks).
    void Compress(int variable);
    void FloatAttribute(int variable, const char* name, std::initializer_list<float> values);
    void DoubleAttribute(int variable, const char* name, double value);
    void ShortAttribute(int variable, const char* name, std::initializer_list<short> values);
    void WriteCounts(int variable, const std::vector<std::uint16_t>& counts);
    void Close();

private:
    void Check(int status) const;
    void LeaveDefineMode();

    int id_ = 0;
    bool open_ = false;
    bool defining_ = true;
};

// An ABI L1b radiance file of one band with "Rad"(y, x), its attributes and the projection's longitude.
struct AbiTestImage {
    int band = 13;
    int width = 4;
    int height = 2;
    std::vector<std::uint16_t> counts; // row-major, height × width
    float scaleFactor = 0.5f;
    float addOffset = 0;
    short fillValue = 4095;
    double longitude = -75.2;
    bool compressed = false;
};

// A full-disk radiance file name of the band, GOES-16, mode 6.
QString AbiTestName(int band);
// Writes the image into the folder under AbiTestName(image.band); returns the path.
QString WriteAbiTestImage(const AbiTestImage& image, const QString& folder);
