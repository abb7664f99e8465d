// Reads back what the sample generator wrote, through the netCDF-C library.
#pragma once

#include <QString>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

class SampleFileProbe {
public:
    // Opens read-only; the test fails (and every read gives empty values) when the file cannot be opened.
    explicit SampleFileProbe(const QString& path);
    ~SampleFileProbe();
    SampleFileProbe(const SampleFileProbe&) = delete;
    SampleFileProbe& operator=(const SampleFileProbe&) = delete;

    int FileId() const { return id_; }
    // -1 when there is no such variable.
    int VariableId(const char* name) const;

    std::map<std::string, size_t> Dimensions() const;
    std::string Text(const char* variable, const char* attribute) const;
    std::vector<double> Numbers(const char* variable, const char* attribute) const;
    double Number(const char* variable, const char* attribute) const;
    int AttributeType(const char* variable, const char* attribute) const;

    // A whole variable converted to double (scale and offset not applied).
    std::vector<double> Values(const char* variable) const;
    // Rad as unsigned counts, row by row.
    std::vector<uint16_t> Counts() const;
    // DQF as unsigned flags, row by row.
    std::vector<uint8_t> Flags() const;

private:
    int id_ = -1;
};
