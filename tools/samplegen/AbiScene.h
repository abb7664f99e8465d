// The synthetic full-disk image of one band: the Earth's disk centred in the grid with everything outside it
// at the fill value, rendered in row blocks so that huge images never need one huge buffer.
#pragma once

#include "AbiBandAppearance.h"
#include "AbiSample.h"
#include "SmoothNoise.h"

#include <cstdint>
#include <vector>

class AbiScene {
public:
    // Precomputes the smooth fields on a coarse lattice; size is the image's width and height.
    AbiScene(const AbiSampleOptions& options, int size);

    // Fills rowCount rows of size counts each, starting at firstRow. Safe to call from several threads.
    void RenderRows(int firstRow, int rowCount, uint16_t* counts) const;

private:
    void ComputeNodeRows(const EarthModel& earth, int firstRow, int endRow);
    void RenderRow(int row, uint16_t* counts) const;
    AbiSceneLevel Node(int column, int row) const {
        return nodes_[static_cast<size_t>(row) * (cells_ + 1) + column];
    }

    int size_;
    uint16_t fill_;
    uint32_t noiseSeed_;
    float centre_;
    float radius_;      // equatorial radius of the disk in pixels
    float polarRadius_; // the Earth is slightly flattened
    int cells_;         // lattice cells across the disk's bounding square
    float detailCellsPerPixel_;
    AbiBandAppearance appearance_;
    DetailTile detail_;
    std::vector<AbiSceneLevel> nodes_;
};
