// The ABI radiance reader: header, count-to-grey tables and the conversion into 8-bit grey rows.
#include "NetCDFGoesAbi.h"

#include "AbiFileName.h"

#include <QStringList>
#include <algorithm>
#include <cmath>
#include <memory>
#include <new>

namespace {

// The 12-bit bands' fill value, taken for a visible band's file that states none when it may lack it.
constexpr std::int32_t kTwelveBitFillValue = 4095;

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

Status TNetCdfGoesAbi::OpenAbiFile(const QString& fileName) {
    Status opened = Open(fileName);
    headerValid_ = false;
    if (const auto band = BandIndexFromAbiName(fileName)) bandIndex_ = *band;
    return opened;
}

Status TNetCdfGoesAbi::OpenAbiFile(const QString& fileName, std::uint8_t bandIndex) {
    Status opened = Open(fileName);
    headerValid_ = false;
    bandIndex_ = bandIndex;
    return opened;
}

Status TNetCdfGoesAbi::ReadHeader(const QString& variableName) {
    headerValid_ = false;
    if (Handle() == 0) return Failure{FailureCode::NotNetCdf, QStringLiteral("no netCDF file open")};
    if (const auto id = FindVariable(variableName.toLocal8Bit().constData()))
        variableId_ = *id;
    else if (leniency_.acceptFirstVariable)
        variableId_ = 0;
    else
        return Failure{FailureCode::NoRadianceVariable, QStringLiteral("no radiance variable")};

    const auto abiSize = DeclaredSize("y", "x");
    const auto size = abiSize ? abiSize : DeclaredSize("rows", "columns");
    if (!size)
        return Failure{FailureCode::NoRadianceVariable,
                       QStringLiteral("no image dimensions (y and x, or rows and columns)")};
    if (Status accepted = AcceptImageSize(*size); !accepted) return accepted;
    // Files of rows and columns carry no calibration that this reader takes.
    const Calibration calibration = abiSize ? ReadCalibration() : Calibration{};
    if (abiSize) ReadProjectionLongitude();
    geolocation_ = abiSize ? ReadGeolocation() : std::nullopt;
    if (Status usable = CheckCalibration(calibration); !usable) return usable;
    // A lenient read of a visible band gets here without a fill value, or with a stated 0; the 12-bit bands'
    // fill value stands in for either.
    fillValue_ = calibration.fillValue && !(FillFallsBack() && *calibration.fillValue == 0)
                     ? *calibration.fillValue
                     : kTwelveBitFillValue;
    if (IsInfraredBand(BandIndex()))
        BuildInfraredTable(BandIndex(), *calibration.scaleFactor, *calibration.addOffset);
    headerValid_ = true;
    return {};
}

std::optional<TNetCdfGoesAbi::ImageSize> TNetCdfGoesAbi::DeclaredSize(const char* heightName,
                                                                      const char* widthName) const {
    const auto height = DimensionLength(heightName);
    const auto width = DimensionLength(widthName);
    if (!height || !width) return std::nullopt;
    return ImageSize{*width, *height};
}

Status TNetCdfGoesAbi::AcceptImageSize(ImageSize size) {
    const QString declared = QStringLiteral("%1 × %2").arg(size.width).arg(size.height);
    if (size.width == 0 || size.height == 0)
        return Failure{FailureCode::RadianceDataMissing, QStringLiteral("empty image (%1)").arg(declared)};
    if (size.width > kMaxImageSide || size.height > kMaxImageSide)
        return Failure{FailureCode::ImageTooLarge, QStringLiteral("image too large (%1)").arg(declared)};
    imageWidth_ = static_cast<int>(size.width);
    imageHeight_ = static_cast<int>(size.height);
    return {};
}

TNetCdfGoesAbi::Calibration TNetCdfGoesAbi::ReadCalibration() const {
    const auto radiance = FindVariable("Rad");
    if (!radiance) return {};
    return {ReadFloatAttribute(*radiance, "scale_factor"), ReadFloatAttribute(*radiance, "add_offset"),
            ReadShortAttribute(*radiance, "_FillValue")};
}

bool TNetCdfGoesAbi::FillFallsBack() const {
    return leniency_.defaultFillValue && !IsInfraredBand(BandIndex());
}

Status TNetCdfGoesAbi::CheckCalibration(const Calibration& calibration) const {
    const bool infrared = IsInfraredBand(BandIndex());
    const bool fillFallback = FillFallsBack();
    QStringList missing;
    if (!calibration.fillValue && !fillFallback) missing << QStringLiteral("_FillValue");
    if (infrared && !calibration.scaleFactor) missing << QStringLiteral("scale_factor");
    if (infrared && !calibration.addOffset) missing << QStringLiteral("add_offset");
    if (!missing.isEmpty())
        return Failure{
            FailureCode::CalibrationMissing,
            QStringLiteral("calibration attributes missing (%1)").arg(missing.join(QStringLiteral(", ")))};

    const auto unusable = [](const char* name, double value) {
        return Failure{
            FailureCode::CalibrationMissing,
            QStringLiteral("calibration attributes unusable (%1 %2)").arg(QLatin1String(name)).arg(value)};
    };
    if (const auto fill = calibration.fillValue; fill && *fill <= 0 && !(fillFallback && *fill == 0))
        return unusable("_FillValue", *fill);
    if (infrared && !(std::isfinite(*calibration.scaleFactor) && *calibration.scaleFactor > 0))
        return unusable("scale_factor", *calibration.scaleFactor);
    if (infrared && !std::isfinite(*calibration.addOffset))
        return unusable("add_offset", *calibration.addOffset);
    return {};
}

void TNetCdfGoesAbi::ReadProjectionLongitude() {
    if (const auto projection = FindVariable("goes_imager_projection"))
        projectionLongitude_ =
            ReadFloatAttribute(*projection, "longitude_of_projection_origin").value_or(projectionLongitude_);
}

std::optional<AbiGeolocation> TNetCdfGoesAbi::ReadGeolocation() const {
    const auto projection = FindVariable("goes_imager_projection");
    const auto x = FindVariable("x");
    const auto y = FindVariable("y");
    if (!projection || !x || !y) return std::nullopt;
    const auto number = [this](int variable, const char* name) {
        return ReadDoubleAttribute(variable, name).value_or(std::nan(""));
    };
    AbiGeolocation geolocation;
    geolocation.perspectivePointHeight = number(*projection, "perspective_point_height");
    geolocation.semiMajorAxis = number(*projection, "semi_major_axis");
    geolocation.semiMinorAxis = number(*projection, "semi_minor_axis");
    geolocation.longitudeOfProjectionOrigin = number(*projection, "longitude_of_projection_origin");
    // Text attributes may carry a terminating zero.
    const QByteArray sweep(ReadTextAttribute(*projection, "sweep_angle_axis").value_or("?").constData());
    geolocation.sweepAngleAxis = sweep.size() == 1 ? sweep[0] : '?';
    geolocation.x = {number(*x, "scale_factor"), number(*x, "add_offset")};
    geolocation.y = {number(*y, "scale_factor"), number(*y, "add_offset")};
    if (!IsUsable(geolocation)) return std::nullopt;
    return geolocation;
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

Result<GreyRows> TNetCdfGoesAbi::ConvertToGreyRows(float gamma, const PixelBlockSource& allocate) {
    const int width = ImageWidth();
    const int height = ImageHeight();
    if (width == 0 || height == 0)
        return Failure{FailureCode::NoRadianceVariable, QStringLiteral("no image header read")};
    const std::size_t pixels = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
    if (Status fits = CheckVariableHolds(pixels); !fits) return fits.failure();
    const Failure outOfMemory{FailureCode::OutOfMemory,
                              QStringLiteral("out of memory (%1 × %2 image)").arg(width).arg(height)};
    try {
        if (Status stored = CheckVariableStored(); !stored) return stored.failure();
        const SharedPixelLayout layout(width, height);
        auto block = allocate(layout.totalBytes);
        if (!block) return outOfMemory;
        std::uint8_t* memory = (*block)->Data();
        const std::span<std::uint16_t> counts(reinterpret_cast<std::uint16_t*>(memory + layout.countsOffset),
                                              pixels);
        if (Status read = ReadShortData(counts); !read)
            return read.failure().code == FailureCode::OutOfMemory ? outOfMemory : read.failure();

        const bool infrared = IsInfraredBand(BandIndex());
        const GreyTable visibleTable =
            infrared ? GreyTable() : VisibleGreyTable(LargestCountBelow(counts, fillValue_), gamma);
        WriteGreyRows(counts, width, layout, memory, infrared ? infraredTable_.data() : visibleTable.data());
        // The room that only the counts needed is given back.
        (*block)->Keep(layout.greyBytes);
        return GreyRows{std::move(*block), width, height, layout.rowBytes};
    } catch (const std::bad_alloc&) {
        return outOfMemory;
    }
}

Status ReadAbiGreyRows(const AbiReadRequest& request, GreyRows& rows, float& longitude,
                       AbiCompleteness& completeness, const PixelBlockSource& allocate,
                       std::optional<AbiGeolocation>* geolocation) {
    TNetCdfGoesAbi reader(request.retryOpen);
    reader.SetLeniency(request.leniency);
    const Status opened = request.received ? reader.OpenAbiFile(request.path, request.received->bandIndex)
                                           : reader.OpenAbiFile(request.path);
    if (!opened) return opened;
    const Status header = reader.ReadHeader(QStringLiteral("Rad"));
    longitude = reader.ProjectionLongitude();
    if (geolocation) *geolocation = reader.Geolocation();
    if (!header) return header;
    AbiCompleteness stated = ReadAbiCompleteness(reader, static_cast<qint64>(reader.ImageWidth()) *
                                                             static_cast<qint64>(reader.ImageHeight()));
    auto converted = reader.ConvertToGreyRows(1.0f, allocate);
    if (!converted) return converted.status();
    rows = std::move(*converted);
    completeness = std::move(stated);
    return {};
}
