// The file-name decoder on arbitrary names (UTF-8 bytes, folders included).
#include "AbiFileName.h"

#include <QString>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QString name = QString::fromUtf8(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    (void)DecodeAbiFileName(name);
    (void)BandIndexFromAbiName(name);
    return 0;
}
