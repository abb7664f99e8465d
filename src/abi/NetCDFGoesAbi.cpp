// The ABI radiance reader: header, count-to-grey tables and the conversion into an 8-bit bitmap.
#include "NetCDFGoesAbi.h"

#include "AbiFileName.h"
#include "BMPExtImage.h"
#include "Utils.h"

#include <QImage>
#include <algorithm>
#include <memory>
#include <new>
#include <thread>

namespace {

// One block holds the counts and then the image made of them: each grey row (padded to 4 bytes) is written
// over the counts it comes from. A grey byte never lies beyond the first byte of its own count, so no count
// is overwritten before it is read. Only one-pixel-wide rows need more room than their counts; the counts
// then sit at the end of the block.
struct SharedPixelLayout {
    SharedPixelLayout(int width, int height)
        : rowBytes((static_cast<std::size_t>(width) + 3) / 4 * 4), greyBytes(rowBytes * height),
          totalBytes(std::max(greyBytes, CountBytes(width, height))),
          countsOffset(totalBytes - CountBytes(width, height)) {}

    static std::size_t CountBytes(int width, int height) {
        return sizeof(std::uint16_t) * static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
    }

    std::size_t rowBytes;
    std::size_t greyBytes;
    std::size_t totalBytes;
    std::size_t countsOffset;
};

// Writes the grey level of every count as the image's rows, over the counts themselves.
void WriteGreyRows(std::span<const std::uint16_t> counts, int width, const SharedPixelLayout& layout,
                   std::uint8_t* block, const std::uint8_t* grey) {
    const auto rowCount = counts.size() / static_cast<std::size_t>(width);
    for (std::size_t y = 0; y < rowCount; ++y) {
        const std::uint16_t* row = counts.data() + y * static_cast<std::size_t>(width);
        std::uint8_t* pixel = block + y * layout.rowBytes;
        for (int x = 0; x < width; ++x) pixel[x] = grey[row[x]];
    }
}

} // namespace

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

bool TNetCdfGoesAbi::ConvertToBitmap(TExtBitmap& bitmap, float gamma, const PixelBlockSource& allocate) {
    if (bitmap.PixelFormat() != TPixelFormat::pf8bit) return false;
    const int width = ImageWidth();
    const int height = ImageHeight();
    const std::size_t pixels = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
    if (pixels == 0 || VariableSize() != pixels) return false;
    try {
        const SharedPixelLayout layout(width, height);
        auto block = allocate(layout.totalBytes);
        if (!block) return false;
        std::uint8_t* memory = (*block)->Data();
        const std::span<std::uint16_t> counts(reinterpret_cast<std::uint16_t*>(memory + layout.countsOffset),
                                              pixels);
        if (!ReadShortData(counts)) return false;

        // A file named on the command line may lack the attribute; 4095 is the 12-bit bands' fill value.
        if (singleFileMode_ && fillValue_ == 0) fillValue_ = 4095;
        const bool infrared = IsInfraredBand(BandIndex());
        const GreyTable visibleTable =
            infrared ? GreyTable() : VisibleGreyTable(LargestCountBelow(counts, fillValue_), gamma);
        WriteGreyRows(counts, width, layout, memory, infrared ? infraredTable_.data() : visibleTable.data());
        // The room that only the counts needed is given back.
        QImage image =
            (*block)->IntoImage(layout.greyBytes, width, height, static_cast<qsizetype>(layout.rowBytes));
        if (image.isNull()) return false;
        bitmap.SetGreyPalette();
        bitmap.AdoptImage(std::move(image));
        return true;
    } catch (const std::bad_alloc&) {
        return false;
    }
}

bool ReadAbiImage(const QString& fileName, TExtBitmap& bitmap, float& longitude, bool singleFileMode,
                  const ProcessingWaits& waits, const PixelBlockSource& allocate) {
    TNetCdfGoesAbi reader(waits.retryOpen);
    reader.SetSingleFileMode(singleFileMode);
    KeepAlive();
    std::this_thread::sleep_for(waits.beforeRead);
    if (!reader.OpenAbiFile(fileName)) return false;
    reader.ReadHeader(QStringLiteral("Rad"));
    longitude = reader.ProjectionLongitude();
    return reader.ConvertToBitmap(bitmap, 1.0f, allocate);
}
