// The netCDF-4 layout of an ABI L1b full-disk radiance product: dimensions, variables and attributes as the
// operational files carry them, the image written in row blocks, the statistics at the end.
#pragma once

#include "AbiBandConstants.h"
#include "AbiPixelTally.h"
#include "AbiScanTimes.h"
#include "NcWriter.h"

#include <QString>
#include <cstddef>
#include <cstdint>

// The fixed grid of scan angles: the full-disk grid always spans the same angles, so a smaller image
// has a coarser step.
struct AbiFixedGrid {
    static constexpr double kHalfExtent = 0.151872; // radians from the centre to the grid's edge

    explicit AbiFixedGrid(int size) : size(size), step(2 * kHalfExtent / size) {}
    double FirstCentre() const { return -kHalfExtent + step / 2; }

    int size;
    double step; // radians between pixel centres (56 µrad on the 2 km full-disk grid)
};

struct AbiProductDescription {
    int satellite;
    int band;
    int scanMode;
    float longitude;
    uint32_t seed;
    int size;
    QString fileName;
    AbiScanTimes times;
};

// Rows of Rad and DQF are written in blocks of this many rows, one chunk row at a time.
inline constexpr size_t kAbiChunkEdge = 226;

class AbiProductFile {
public:
    // Creates the file at path with everything but the image and its statistics.
    AbiProductFile(const QString& path, const AbiProductDescription& description);

    void WriteRows(size_t firstRow, size_t rowCount, const uint16_t* counts, const int8_t* flags);
    // Writes the pixel counts, the radiance statistics and the quality shares, and closes the file.
    void Finish(const AbiPixelTally& tally);

private:
    void DefineDimensions();
    void DefineImage();
    void DefineGeometry();
    void DefineBand();
    void DefineStatistics();
    void DefineContainersAndStars();
    void DefineGlobalAttributes();
    void WriteGeometry();
    void WriteBand();
    void WriteStars();

    NcFile file_;
    AbiProductDescription description_;
    AbiBandCalibration calibration_;
    AbiFixedGrid grid_;
    bool emissive_;
    struct Dimensions {
        int y, x, timeBounds, band, imageBounds, starLooks;
    } dimensions_;
};
