// The structure of a netCDF header in CDL text (as `ncdump -h` prints it): names, types and attribute kinds,
// without the values.
#pragma once

#include <QString>
#include <map>
#include <set>
#include <string>

struct CdlVariable {
    std::string type;
    std::string dimensions;                        // "y, x"; empty for a scalar
    std::map<std::string, std::string> attributes; // name -> kind: text, byte, short, int, float or double

    bool operator==(const CdlVariable&) const = default;
};

struct CdlHeader {
    std::set<std::string> dimensions;
    std::map<std::string, CdlVariable> variables;
    std::map<std::string, std::string> globalAttributes;
};

CdlHeader ParseCdlHeader(const QString& text);
