// Small radiance files of exactly chosen counts and calibration, for the reader's grey-level tests.
#pragma once

#include <QString>
#include <cstdint>
#include <vector>

class NcVariable;

// An ABI L1b radiance file of one band: "Rad"(y, x) with its attributes and the projection's longitude.
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

// Writes the whole 16-bit variable.
void WriteCounts(const NcVariable& variable, const std::vector<std::uint16_t>& counts);
