// An 8-bit image in memory as a GDAL dataset that a driver can copy into a file: one grey band read straight
// from the image's rows, its overview levels, and where some pixels are not valid a mask band with overviews
// of its own, each made as it is read.
#pragma once

#include "OverviewLevels.h"

#include <gdal_priv.h>
#include <ogr_spatialref.h>

#include <array>
#include <memory>
#include <vector>

class GreyImageSource final : public GDALDataset {
public:
    // The levels and the reference system are read, never changed, while the dataset lives.
    GreyImageSource(const OverviewLevels& levels, const std::array<double, 6>& geoTransform,
                    const OGRSpatialReference& crs);
    ~GreyImageSource() override;

    CPLErr GetGeoTransform(double* transform) override;
    const OGRSpatialReference* GetSpatialRef() const override;

private:
    std::array<double, 6> geoTransform_;
    const OGRSpatialReference& crs_;
    // The bands of every level but the image's own grey band, which the dataset holds as its band 1.
    std::vector<std::unique_ptr<GDALRasterBand>> otherBands_;
};
