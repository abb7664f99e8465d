// The ABI reader on arbitrary file content. The band comes from the file name, so the input's length picks
// one of the sixteen names, and whether single-file mode's fallbacks apply.
#include "AbiBitmap.h"
#include "BMPExtImage.h"
#include "FuzzInputFile.h"

#include <chrono>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const int band = static_cast<int>(size % 16) + 1;
    const AbiReadLeniency leniency = size / 16 % 2 == 1 ? AbiReadLeniency::ForNamedFile() : AbiReadLeniency();
    const QString name = QString::asprintf(
        "OR_ABI-L1b-RadF-M6C%02d_G16_s20250212002045_e20250212011353_c20250212011412.nc", band);
    TExtBitmap bitmap;
    bitmap.SetPixelFormat(TPixelFormat::pf8bit);
    float longitude = 0;
    (void)ReadAbiImage(
        {WriteFuzzInput(data, size, name), std::nullopt, std::chrono::milliseconds(0), leniency}, bitmap,
        longitude);
    return 0;
}
