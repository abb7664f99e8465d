// The ABI radiance reader: header, count-to-grey tables and the conversion into an 8-bit bitmap.
#include "NetCDFGoesAbi.h"

#include "AbiFileName.h"
#include "BMPExtImage.h"
#include "Utils.h"

#include <memory>
#include <new>
#include <thread>

TNetCdfGoesAbi::TNetCdfGoesAbi(std::chrono::milliseconds retryDelay) : TNetCdfGoes(retryDelay) {}

bool TNetCdfGoesAbi::OpenAbiFile(const QString& fileName) {
    const bool opened = Open(fileName);
    headerValid_ = false;
    if (const auto band = BandIndexFromAbiName(fileName)) bandIndex_ = *band;
    return opened;
}

bool TNetCdfGoesAbi::ReadHeader(const QString& variableName) {
    headerValid_ = false;
    if (Handle() == 0) return false;
    // In single-file mode a missing variable is tolerated: the variable with identifier 0 is read instead.
    if (const auto id = FindVariable(variableName.toLocal8Bit().constData()))
        variableId_ = *id;
    else if (!singleFileMode_)
        return false;

    const auto abiSize = DeclaredSize("y", "x");
    const auto size = abiSize ? abiSize : DeclaredSize("rows", "columns");
    if (!size || !AcceptImageSize(*size)) return false;
    headerValid_ = true;
    if (abiSize) {
        ReadRadianceAttributes();
        ReadProjectionLongitude();
    }
    return true;
}

std::optional<TNetCdfGoesAbi::ImageSize> TNetCdfGoesAbi::DeclaredSize(const char* heightName,
                                                                      const char* widthName) const {
    const auto height = DimensionLength(heightName);
    const auto width = DimensionLength(widthName);
    if (!height || !width) return std::nullopt;
    return ImageSize{*width, *height};
}

bool TNetCdfGoesAbi::AcceptImageSize(ImageSize size) {
    const auto acceptable = [](std::size_t side) { return side > 0 && side <= kMaxImageSide; };
    if (!acceptable(size.width) || !acceptable(size.height)) return false;
    imageWidth_ = static_cast<int>(size.width);
    imageHeight_ = static_cast<int>(size.height);
    return true;
}

void TNetCdfGoesAbi::ReadRadianceAttributes() {
    const auto radiance = FindVariable("Rad");
    if (!radiance) return;
    float scaleFactor = 0;
    float addOffset = 0;
    const bool scaled = ReadAttribute(*radiance, "scale_factor", scaleFactor);
    const bool offset = ReadAttribute(*radiance, "add_offset", addOffset);
    std::int16_t fillValue = 0;
    ReadAttribute(*radiance, "_FillValue", fillValue);
    fillValue_ = fillValue;
    if (scaled && offset && IsInfraredBand(BandIndex()))
        BuildInfraredTable(BandIndex(), scaleFactor, addOffset);
}

void TNetCdfGoesAbi::ReadProjectionLongitude() {
    if (const auto projection = FindVariable("goes_imager_projection"))
        ReadAttribute(*projection, "longitude_of_projection_origin", projectionLongitude_);
}

void TNetCdfGoesAbi::BuildInfraredTable(std::uint8_t bandIndex, double scaleFactor, double addOffset) {
    infraredTable_ = InfraredGreyTable(bandIndex, fillValue_, scaleFactor, addOffset);
}

int TNetCdfGoesAbi::ImageWidth() const {
    return Handle() != 0 && headerValid_ ? imageWidth_ : 0;
}

int TNetCdfGoesAbi::ImageHeight() const {
    return Handle() != 0 && headerValid_ ? imageHeight_ : 0;
}

bool TNetCdfGoesAbi::ConvertToBitmap(TExtBitmap& bitmap, float gamma) {
    if (bitmap.PixelFormat() != TPixelFormat::pf8bit) return false;
    const int width = ImageWidth();
    const int height = ImageHeight();
    const std::size_t pixels = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
    if (pixels == 0 || VariableSize() != pixels) return false;
    try {
        const auto buffer = std::make_unique_for_overwrite<std::uint16_t[]>(pixels);
        const std::span<std::uint16_t> counts(buffer.get(), pixels);
        if (!ReadShortData(counts)) return false;

        // A file named on the command line may lack the attribute; 4095 is the 12-bit bands' fill value.
        if (singleFileMode_ && fillValue_ == 0) fillValue_ = 4095;
        const GreyTable visibleTable = IsInfraredBand(BandIndex())
                                           ? GreyTable()
                                           : VisibleGreyTable(LargestCountBelow(counts, fillValue_), gamma);
        const std::uint8_t* grey = IsInfraredBand(BandIndex()) ? infraredTable_.data() : visibleTable.data();

        bitmap.SetGreyPalette();
        bitmap.SetSize(width, height);
        for (int y = 0; y < height; ++y) {
            const std::uint16_t* row = counts.data() + static_cast<std::size_t>(y) * width;
            std::uint8_t* pixel = bitmap.ScanLine(y);
            for (int x = 0; x < width; ++x) pixel[x] = grey[row[x]];
        }
        return true;
    } catch (const std::bad_alloc&) {
        return false;
    }
}

bool ReadAbiImage(const QString& fileName, TExtBitmap& bitmap, float& longitude, bool singleFileMode,
                  const ProcessingWaits& waits) {
    TNetCdfGoesAbi reader(waits.retryOpen);
    reader.SetSingleFileMode(singleFileMode);
    KeepAlive();
    std::this_thread::sleep_for(waits.beforeRead);
    if (!reader.OpenAbiFile(fileName)) return false;
    reader.ReadHeader(QStringLiteral("Rad"));
    longitude = reader.ProjectionLongitude();
    return reader.ConvertToBitmap(bitmap, 1.0f);
}
