// TNetCdfGoesAbi reads one ABI L1b radiance file and turns its counts into 8-bit grey rows; ReadAbiGreyRows
// runs the whole life of such a reader for one file.
#pragma once

#include "AbiCompleteness.h"
#include "AbiGeolocation.h"
#include "AbiGreyTables.h"
#include "AbiReadRequest.h"
#include "Failure.h"
#include "NetCDFclass.h"
#include "PixelBlock.h"

#include <QString>
#include <chrono>
#include <cstdint>

class TNetCdfGoesAbi : public TNetCdfGoes {
public:
    // Declared images with a longer side are refused before anything is allocated.
    static constexpr int kMaxImageSide = 30000;

    explicit TNetCdfGoesAbi(std::chrono::milliseconds retryDelay);

    // Opens the file and takes the band from its name (kept at 0 for a name of another kind).
    Status OpenAbiFile(const QString& fileName);
    // Opens a file whose band is known already, whatever the file is named.
    Status OpenAbiFile(const QString& fileName, std::uint8_t bandIndex);
    // Finds the variable, the image size ("y" × "x", else "rows" × "columns"), and for "y" × "x" images the
    // fill value, the infrared table, the projection longitude and the geolocation. HeaderValid tells whether
    // it succeeded.
    Status ReadHeader(const QString& variableName);
    void BuildInfraredTable(std::uint8_t bandIndex, double scaleFactor, double addOffset);
    // Reads the variable and writes one grey level per count, in a block that comes from allocate. Fails
    // when the header was not read, the variable does not hold width × height values, or the read fails.
    Result<GreyRows> ConvertToGreyRows(float gamma, const PixelBlockSource& allocate = HeapPixelBlock);

    // 0 unless a dataset is open and its header was read.
    int ImageWidth() const;
    int ImageHeight() const;
    std::int32_t FillValue() const { return fillValue_; }
    const GreyTable& InfraredTable() const { return infraredTable_; }
    // None unless the header holds a usable projection and scale and offset of both coordinates.
    const std::optional<AbiGeolocation>& Geolocation() const { return geolocation_; }
    void SetLeniency(AbiReadLeniency leniency) { leniency_ = leniency; }

private:
    struct ImageSize {
        std::size_t width, height;
    };
    // The attributes of "Rad" that turn counts into grey levels; absent ones stay empty.
    struct Calibration {
        std::optional<float> scaleFactor, addOffset;
        std::optional<std::int16_t> fillValue;
    };
    std::optional<ImageSize> DeclaredSize(const char* heightName, const char* widthName) const;
    Status AcceptImageSize(ImageSize size);
    Calibration ReadCalibration() const;
    // Fails unless the band's grey levels can be made from the calibration: every band needs a fill value
    // above 0 (single-file mode lets visible bands fall back to 4095), infrared bands a finite scale above 0
    // and a finite offset.
    Status CheckCalibration(const Calibration& calibration) const;
    // Whether a missing or zero fill value reads as 4095: a lenient read of a visible band.
    bool FillFallsBack() const;
    void ReadProjectionLongitude();
    std::optional<AbiGeolocation> ReadGeolocation() const;

    int imageWidth_ = 0;
    std::int32_t fillValue_ = 0;
    GreyTable infraredTable_ = GreyTable(kCountRange, 0);
    int imageHeight_ = 0;
    AbiReadLeniency leniency_;
    std::optional<AbiGeolocation> geolocation_;
};

// Reads one ABI file into grey rows and gives the longitude of the projection origin (0 when the file does
// not hold it; untouched when the file cannot be opened), from the same open file how whole the image is,
// and, when asked for, its geolocation (none when the file does not hold it). On failure the rows and the
// completeness are unchanged and the Failure says why.
Status ReadAbiGreyRows(const AbiReadRequest& request, GreyRows& rows, float& longitude,
                       AbiCompleteness& completeness, const PixelBlockSource& allocate = HeapPixelBlock,
                       std::optional<AbiGeolocation>* geolocation = nullptr);
