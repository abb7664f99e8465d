// The grey image, its overviews and its mask as GDAL bands over OverviewLevels.
#include "GreyImageSource.h"

#include <cstring>

namespace {

// One level of the grey image or of its mask. A block is one row; reads of whole-resolution windows into
// bytes are served from the levels directly, without GDAL's block cache.
class LevelBand final : public GDALRasterBand {
public:
    enum class Content { Grey, Mask };

    LevelBand(GDALDataset* dataset, const OverviewLevels& levels, int level, Content content)
        : levels_(levels), level_(level), content_(content) {
        poDS = dataset;
        nBand = 1;
        eDataType = GDT_Byte;
        eAccess = GA_ReadOnly;
        nRasterXSize = levels.Width(level);
        nRasterYSize = levels.Height(level);
        nBlockXSize = nRasterXSize;
        nBlockYSize = 1;
        nBlocksPerRow = 1;
        nBlocksPerColumn = nRasterYSize;
    }

    // Level 0 only: the bands of the smaller levels, and for the grey band its mask.
    void SetOverviews(std::vector<GDALRasterBand*> overviews) { overviews_ = std::move(overviews); }
    void SetMask(GDALRasterBand* mask) { mask_ = mask; }

    int GetOverviewCount() override { return static_cast<int>(overviews_.size()); }
    GDALRasterBand* GetOverview(int index) override {
        return index >= 0 && index < GetOverviewCount() ? overviews_[static_cast<std::size_t>(index)]
                                                        : nullptr;
    }
    int GetMaskFlags() override { return mask_ ? GMF_PER_DATASET : GDALRasterBand::GetMaskFlags(); }
    GDALRasterBand* GetMaskBand() override { return mask_ ? mask_ : GDALRasterBand::GetMaskBand(); }
    GDALColorInterp GetColorInterpretation() override {
        return content_ == Content::Grey ? GCI_GrayIndex : GCI_Undefined;
    }

protected:
    CPLErr IReadBlock(int, int row, void* data) override {
        Read(row, 0, nRasterXSize, static_cast<std::uint8_t*>(data));
        return CE_None;
    }

    CPLErr IRasterIO(GDALRWFlag direction, int x, int y, int width, int height, void* data, int bufferWidth,
                     int bufferHeight, GDALDataType bufferType, GSpacing pixelSpace, GSpacing lineSpace,
                     GDALRasterIOExtraArg* extra) override {
        if (direction != GF_Read || bufferWidth != width || bufferHeight != height ||
            bufferType != GDT_Byte || pixelSpace != 1)
            return GDALRasterBand::IRasterIO(direction, x, y, width, height, data, bufferWidth, bufferHeight,
                                             bufferType, pixelSpace, lineSpace, extra);
        for (int row = 0; row < height; ++row)
            Read(y + row, x, width, static_cast<std::uint8_t*>(data) + row * lineSpace);
        return CE_None;
    }

private:
    void Read(int row, int first, int count, std::uint8_t* out) const {
        if (content_ == Content::Grey)
            levels_.ReadPixels(level_, row, first, count, out);
        else
            levels_.ReadMask(level_, row, first, count, out);
    }

    const OverviewLevels& levels_;
    int level_;
    Content content_;
    std::vector<GDALRasterBand*> overviews_;
    GDALRasterBand* mask_ = nullptr;
};

} // namespace

GreyImageSource::GreyImageSource(const OverviewLevels& levels, const std::array<double, 6>& geoTransform,
                                 const OGRSpatialReference& crs)
    : geoTransform_(geoTransform), crs_(crs) {
    nRasterXSize = levels.Width(0);
    nRasterYSize = levels.Height(0);
    eAccess = GA_ReadOnly;
    const auto add = [&](int level, LevelBand::Content content) {
        return static_cast<LevelBand*>(
            otherBands_.emplace_back(std::make_unique<LevelBand>(this, levels, level, content)).get());
    };
    auto grey = std::make_unique<LevelBand>(this, levels, 0, LevelBand::Content::Grey);
    LevelBand* mask = levels.HasMask() ? add(0, LevelBand::Content::Mask) : nullptr;
    std::vector<GDALRasterBand*> greyOverviews, maskOverviews;
    for (int level = 1; level < levels.Count(); ++level) {
        LevelBand* overview = add(level, LevelBand::Content::Grey);
        greyOverviews.push_back(overview);
        if (!mask) continue;
        LevelBand* maskOverview = add(level, LevelBand::Content::Mask);
        overview->SetMask(maskOverview);
        maskOverviews.push_back(maskOverview);
    }
    grey->SetOverviews(std::move(greyOverviews));
    grey->SetMask(mask);
    if (mask) mask->SetOverviews(std::move(maskOverviews));
    SetBand(1, grey.release());
}

// The bands of the other levels go before band 1, which refers to them.
GreyImageSource::~GreyImageSource() = default;

CPLErr GreyImageSource::GetGeoTransform(double* transform) {
    std::memcpy(transform, geoTransform_.data(), sizeof(double) * geoTransform_.size());
    return CE_None;
}

const OGRSpatialReference* GreyImageSource::GetSpatialRef() const {
    return &crs_;
}
