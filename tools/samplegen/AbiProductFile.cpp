// Dimensions, variables, attributes and values of an ABI L1b full-disk radiance product.
#include "AbiProductFile.h"

#include <QUuid>
#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <numeric>
#include <string>
#include <vector>

#include "SampleRandom.h"

namespace {

constexpr int kStarLooks = 24;
constexpr float kFloatFill = -999.0f;
constexpr int kDeflateLevel = 1;
constexpr double kSatelliteHeightKm = 35786.023;

std::string Utf8(const QString& text) {
    return text.toStdString();
}

std::string Format(const char* format, double value) {
    return QString::asprintf(format, value).toStdString();
}

// The double that prints like the float: -75.2f becomes -75.2, not -75.1999969482422.
double ShortestDouble(float value) {
    std::array<char, 32> text{};
    const auto end = std::to_chars(text.data(), text.data() + text.size() - 1, value).ptr;
    return std::strtod(std::string(text.data(), end).c_str(), nullptr);
}

float WrappedLongitude(double degrees) {
    return static_cast<float>(std::remainder(degrees, 360.0));
}

struct FixedGridAxis {
    const char* name;
    const char* upperName;
    const char* extent;
    int dimension;
    float direction;
};

} // namespace

AbiProductFile::AbiProductFile(const QString& path, const AbiProductDescription& description)
    : file_(path), description_(description), calibration_(BandCalibration(description.band)),
      grid_(description.size), emissive_(IsEmissiveBand(description.band)) {
    DefineDimensions();
    DefineImage();
    DefineGeometry();
    DefineBand();
    DefineStatistics();
    DefineContainersAndStars();
    DefineGlobalAttributes();
    file_.EndDefinitions();
    WriteGeometry();
    WriteBand();
    WriteStars();
}

void AbiProductFile::DefineDimensions() {
    const auto size = static_cast<size_t>(description_.size);
    dimensions_.y = file_.DefineDimension("y", size);
    dimensions_.x = file_.DefineDimension("x", size);
    dimensions_.timeBounds = file_.DefineDimension("number_of_time_bounds", 2);
    dimensions_.band = file_.DefineDimension("band", 1);
    dimensions_.imageBounds = file_.DefineDimension("number_of_image_bounds", 2);
    dimensions_.starLooks = file_.DefineDimension("num_star_looks", kStarLooks);
}

void AbiProductFile::DefineImage() {
    const auto size = static_cast<size_t>(description_.size);
    const std::string resolution = Format("%.6f", grid_.step);
    const NcVariable rad = file_.DefineVariable("Rad", NC_SHORT, {dimensions_.y, dimensions_.x});
    rad.Shorts("_FillValue", {static_cast<int16_t>(calibration_.fillValue)})
        .Text("long_name", "ABI L1b Radiances")
        .Text("standard_name", emissive_ ? "toa_outgoing_radiance_per_unit_wavenumber"
                                         : "toa_outgoing_radiance_per_unit_wavelength")
        .Text("_Unsigned", "true")
        .Bytes("sensor_band_bit_depth", {static_cast<int8_t>(calibration_.bitDepth)})
        .Shorts("valid_range", {0, static_cast<int16_t>(calibration_.validMax)})
        .Floats("scale_factor", {static_cast<float>(calibration_.scaleFactor)})
        .Floats("add_offset", {static_cast<float>(calibration_.addOffset)})
        .Text("units", emissive_ ? "mW m-2 sr-1 (cm-1)-1" : "W m-2 sr-1 um-1")
        .Text("resolution", "y: " + resolution + " rad x: " + resolution + " rad")
        .Text("coordinates", "band_id band_wavelength t y x")
        .Text("grid_mapping", "goes_imager_projection")
        .Text("cell_methods", "t: point area: point")
        .Text("ancillary_variables", "DQF");
    rad.Compress(kAbiChunkEdge, size, size, kDeflateLevel);

    const NcVariable dqf = file_.DefineVariable("DQF", NC_BYTE, {dimensions_.y, dimensions_.x});
    dqf.Bytes("_FillValue", {kQualityFill})
        .Text("long_name", "ABI L1b Radiances data quality flags")
        .Text("standard_name", "status_flag")
        .Text("_Unsigned", "true")
        .Bytes("valid_range", {0, 3})
        .Text("units", "1")
        .Text("coordinates", "band_id band_wavelength t y x")
        .Text("grid_mapping", "goes_imager_projection")
        .Text("cell_methods", "t: point area: point")
        .Bytes("flag_values", {0, 1, 2, 3})
        .Text("flag_meanings",
              "good_pixel_qf conditionally_usable_pixel_qf out_of_range_pixel_qf no_value_pixel_qf")
        .Bytes("number_of_qf_values", {4});
    dqf.Compress(kAbiChunkEdge, size, size, kDeflateLevel);
}

void AbiProductFile::DefineGeometry() {
    file_.DefineVariable("t", NC_DOUBLE)
        .Text("long_name", "J2000 epoch mid-point between the start and end image scan in seconds")
        .Text("standard_name", "time")
        .Text("units", "seconds since 2000-01-01 12:00:00")
        .Text("axis", "T")
        .Text("bounds", "time_bounds");
    // y grows southwards: its first row is the northern edge.
    const auto step = static_cast<float>(grid_.step);
    const auto firstCentre = static_cast<float>(grid_.FirstCentre());
    const std::array<FixedGridAxis, 2> axes = {
        {{"y", "Y", "north/south", dimensions_.y, -1.0f}, {"x", "X", "west/east", dimensions_.x, 1.0f}}};
    for (const FixedGridAxis& axis : axes)
        file_.DefineVariable(axis.name, NC_SHORT, {axis.dimension})
            .Floats("scale_factor", {axis.direction * step})
            .Floats("add_offset", {axis.direction * firstCentre})
            .Text("units", "rad")
            .Text("axis", axis.upperName)
            .Text("long_name", std::string("GOES fixed grid projection ") + axis.name + "-coordinate")
            .Text("standard_name", std::string("projection_") + axis.name + "_coordinate");
    file_.DefineVariable("time_bounds", NC_DOUBLE, {dimensions_.timeBounds})
        .Text("long_name", "Scan start and end times in seconds since epoch (2000-01-01 12:00:00)");
    file_.DefineVariable("goes_imager_projection", NC_INT)
        .Text("long_name", "GOES-R ABI fixed grid projection")
        .Text("grid_mapping_name", "geostationary")
        .Doubles("perspective_point_height", {35786023.0})
        .Doubles("semi_major_axis", {6378137.0})
        .Doubles("semi_minor_axis", {6356752.31414})
        .Doubles("inverse_flattening", {298.2572221})
        .Doubles("latitude_of_projection_origin", {0.0})
        .Doubles("longitude_of_projection_origin", {ShortestDouble(description_.longitude)})
        .Text("sweep_angle_axis", "x");
    for (const FixedGridAxis& axis : axes) {
        const std::string name = axis.name;
        file_.DefineVariable((name + "_image").c_str(), NC_FLOAT)
            .Text("long_name", "GOES-R fixed grid projection " + name + "-coordinate center of image")
            .Text("standard_name", "projection_" + name + "_coordinate")
            .Text("units", "rad")
            .Text("axis", axis.upperName);
        file_.DefineVariable((name + "_image_bounds").c_str(), NC_FLOAT, {dimensions_.imageBounds})
            .Text("long_name",
                  "GOES-R fixed grid projection " + name + "-coordinate " + axis.extent + " extent of image");
    }
    file_.DefineVariable("nominal_satellite_subpoint_lat", NC_FLOAT)
        .Text("long_name", "nominal satellite subpoint latitude (platform latitude)")
        .Text("standard_name", "latitude")
        .Floats("_FillValue", {kFloatFill})
        .Text("units", "degrees_north");
    file_.DefineVariable("nominal_satellite_subpoint_lon", NC_FLOAT)
        .Text("long_name", "nominal satellite subpoint longitude (platform longitude)")
        .Text("standard_name", "longitude")
        .Floats("_FillValue", {kFloatFill})
        .Text("units", "degrees_east");
    file_.DefineVariable("nominal_satellite_height", NC_FLOAT)
        .Text("long_name", "nominal satellite height above GRS 80 ellipsoid (platform altitude)")
        .Text("standard_name", "height_above_reference_ellipsoid")
        .Floats("_FillValue", {kFloatFill})
        .Text("units", "km");
    // The full disk reaches from limb to limb: 81.3282 degrees of great circle from the sub-satellite point.
    constexpr double kLimbDegrees = 81.3282;
    file_.DefineVariable("geospatial_lat_lon_extent", NC_FLOAT)
        .Text("long_name", "geospatial latitude and longitude references")
        .Floats("geospatial_westbound_longitude", {WrappedLongitude(description_.longitude - kLimbDegrees)})
        .Floats("geospatial_northbound_latitude", {static_cast<float>(kLimbDegrees)})
        .Floats("geospatial_eastbound_longitude", {WrappedLongitude(description_.longitude + kLimbDegrees)})
        .Floats("geospatial_southbound_latitude", {static_cast<float>(-kLimbDegrees)})
        .Floats("geospatial_lat_center", {0.0f})
        .Floats("geospatial_lon_center", {description_.longitude})
        .Floats("geospatial_lat_nadir", {0.0f})
        .Floats("geospatial_lon_nadir", {description_.longitude})
        .Text("geospatial_lat_units", "degrees_north")
        .Text("geospatial_lon_units", "degrees_east");
    file_.DefineVariable("yaw_flip_flag", NC_BYTE)
        .Text("long_name", "Flag indicating the spacecraft is operating in yaw flip configuration")
        .Text("_Unsigned", "true")
        .Bytes("_FillValue", {-1})
        .Bytes("valid_range", {0, 1})
        .Text("units", "1")
        .Text("coordinates", "t")
        .Text("flag_values", "0 1")
        .Text("flag_meanings", "false true");
}

void AbiProductFile::DefineBand() {
    file_.DefineVariable("band_id", NC_BYTE, {dimensions_.band})
        .Text("long_name", "ABI band number")
        .Text("standard_name", "sensor_band_identifier")
        .Text("units", "1");
    file_.DefineVariable("band_wavelength", NC_FLOAT, {dimensions_.band})
        .Text("long_name", "ABI band central wavelength")
        .Text("standard_name", "sensor_band_central_radiation_wavelength")
        .Text("units", "um");
    file_.DefineVariable("esun", NC_FLOAT)
        .Text("long_name", "bandpass-weighted solar irradiance at the mean Earth-Sun distance")
        .Text("standard_name", "toa_shortwave_irradiance_per_unit_wavelength")
        .Floats("_FillValue", {kFloatFill})
        .Text("units", "W m-2 um-1")
        .Text("coordinates", "band_id band_wavelength t")
        .Text("cell_methods", "t: mean");
    file_.DefineVariable("kappa0", NC_FLOAT)
        .Text("long_name",
              "Inverse of the incoming top of atmosphere radiance at current earth-sun distance "
              "(PI d2 esun-1)-1, where d is the ratio of instantaneous Earth-Sun distance divided "
              "by the mean Earth-Sun distance, esun is the bandpass-weighted solar irradiance and "
              "PI is a standard constant used to convert ABI L1b radiance to reflectance")
        .Floats("_FillValue", {kFloatFill})
        .Text("units", "(W m-2 um-1)-1")
        .Text("coordinates", "band_id band_wavelength t")
        .Text("cell_methods", "t: mean");
    struct PlanckVariable {
        const char* name;
        const char* longName;
        const char* units;
    };
    const std::array<PlanckVariable, 4> planck = {{
        {"planck_fk1",
         "wavenumber-dependent coefficient (2 h c2/ nu3) used in the ABI emissive band monochromatic "
         "brightness "
         "temperature computation, where nu =central wavenumber and h and c are standard constants",
         "W m-1"},
        {"planck_fk2",
         "wavenumber-dependent coefficient (h c nu/b) used in the ABI emissive band monochromatic brightness "
         "temperature computation, where nu = central wavenumber and h, c, and b are standard constants",
         "K"},
        {"planck_bc1",
         "spectral bandpass correction offset for brightness temperature (B(nu) - bc_1)/bc_2 where "
         "B()=planck_function() and nu=wavenumber",
         "K"},
        {"planck_bc2",
         "spectral bandpass correction scale factor for brightness temperature (B(nu) - bc_1)/bc_2 where "
         "B()=planck_function() and nu=wavenumber",
         "1"},
    }};
    for (const PlanckVariable& variable : planck)
        file_.DefineVariable(variable.name, NC_FLOAT)
            .Text("long_name", variable.longName)
            .Floats("_FillValue", {kFloatFill})
            .Text("units", variable.units)
            .Text("coordinates", "band_id band_wavelength");
}

void AbiProductFile::DefineStatistics() {
    const std::string interval = Format("(interval: %.6f rad comment: ", grid_.step);
    const char* coordinates = "band_id band_wavelength t y_image x_image";
    struct PixelCount {
        const char* name;
        const char* longName;
        const char* comment;
    };
    const std::array<PixelCount, 4> pixelCounts = {{
        {"valid_pixel_count", "number of good and conditionally usable pixels",
         "good and conditionally usable quality pixels only)"},
        {"missing_pixel_count", "number of missing pixels", "missing ABI fixed grid pixels only)"},
        {"saturated_pixel_count", "number of saturated pixels",
         "radiometrically saturated geolocated/not missing pixels only)"},
        {"undersaturated_pixel_count", "number of undersaturated pixels",
         "radiometrically undersaturated geolocated/not missing pixels only)"},
    }};
    for (const PixelCount& count : pixelCounts)
        file_.DefineVariable(count.name, NC_INT)
            .Text("long_name", count.longName)
            .Ints("_FillValue", {-1})
            .Text("units", "count")
            .Text("coordinates", coordinates)
            .Text("grid_mapping", "goes_imager_projection")
            .Text("cell_methods", "t: sum area: sum " + interval + count.comment);

    const char* radianceName =
        emissive_ ? "toa_outgoing_radiance_per_unit_wavenumber" : "toa_outgoing_radiance_per_unit_wavelength";
    const char* radianceUnits = emissive_ ? "mW m-2 sr-1 (cm-1)-1" : "W m-2 sr-1 um-1";
    const auto lowest = static_cast<float>(calibration_.addOffset);
    const auto highest =
        static_cast<float>(calibration_.addOffset + calibration_.scaleFactor * calibration_.validMax);
    struct RadianceStatistic {
        const char* name;
        const char* longName;
        const char* method;
        bool hasValidRange;
    };
    const std::array<RadianceStatistic, 4> statistics = {{
        {"min_radiance_value_of_valid_pixels", "minimum radiance value of pixels", "minimum", true},
        {"max_radiance_value_of_valid_pixels", "maximum radiance value of pixels", "maximum", true},
        {"mean_radiance_value_of_valid_pixels", "mean radiance value of pixels", "mean", true},
        {"std_dev_radiance_value_of_valid_pixels", "standard deviation of radiance values of pixels",
         "standard_deviation", false},
    }};
    for (const RadianceStatistic& statistic : statistics) {
        const NcVariable variable = file_.DefineVariable(statistic.name, NC_FLOAT);
        variable.Text("long_name", statistic.longName)
            .Text("standard_name", radianceName)
            .Floats("_FillValue", {kFloatFill});
        if (statistic.hasValidRange) variable.Floats("valid_range", {lowest, highest});
        variable.Text("units", radianceUnits)
            .Text("coordinates", coordinates)
            .Text("grid_mapping", "goes_imager_projection")
            .Text("cell_methods", std::string("t: sum area: ") + statistic.method + " " + interval +
                                      "good and conditionally usable quality pixels only)");
    }

    file_.DefineVariable("percent_uncorrectable_L0_errors", NC_FLOAT)
        .Text("long_name", "percent data lost due to uncorrectable L0 errors")
        .Floats("_FillValue", {kFloatFill})
        .Floats("valid_range", {0.0f, 1.0f})
        .Text("units", "percent")
        .Text("coordinates", "t y_image x_image")
        .Text("grid_mapping", "goes_imager_projection")
        .Text("cell_methods", "t: sum area: sum (uncorrectable L0 errors only)");
    file_.DefineVariable("earth_sun_distance_anomaly_in_AU", NC_FLOAT)
        .Text("long_name", "earth sun distance anomaly in astronomical units")
        .Floats("_FillValue", {kFloatFill})
        .Text("units", "ua")
        .Text("coordinates", "t")
        .Text("cell_methods", "t: mean");
}

void AbiProductFile::DefineContainersAndStars() {
    const QString satellite = QStringLiteral("G%1").arg(description_.satellite);
    const QString inputL0 =
        QStringLiteral("OR_ABI-L0-F-M%1_%2_s%3_e%4_c*.nc")
            .arg(description_.scanMode)
            .arg(satellite, FileNameTime(description_.times.start), FileNameTime(description_.times.end));
    file_.DefineVariable("algorithm_dynamic_input_data_container", NC_INT)
        .Text("long_name", "container for filenames of dynamic algorithm input data")
        .Text("input_ABI_L0_data", Utf8(inputL0));
    file_.DefineVariable("processing_parm_version_container", NC_INT)
        .Text("long_name", "container for processing parameter filenames")
        .Text("L1b_processing_parm_version",
              Utf8(QStringLiteral("ABI-L1b-PARM_%1_v01r00.zip").arg(satellite)));
    file_.DefineVariable("algorithm_product_version_container", NC_INT)
        .Text("long_name", "container for algorithm package filename and product version")
        .Text("algorithm_version", "OR_ABI-L1b-ALG-COMMON_v01r00.zip")
        .Text("product_version", "v01r00");

    file_.DefineVariable("t_star_look", NC_DOUBLE, {dimensions_.starLooks})
        .Text("long_name", "J2000 epoch time of star observed in seconds")
        .Text("standard_name", "time")
        .Text("units", "seconds since 2000-01-01 12:00:00")
        .Text("axis", "T");
    file_.DefineVariable("band_wavelength_star_look", NC_FLOAT, {dimensions_.starLooks})
        .Text("long_name", "ABI band central wavelength associated with observed star")
        .Text("standard_name", "sensor_band_central_radiation_wavelength")
        .Text("units", "um");
    file_.DefineVariable("star_id", NC_SHORT, {dimensions_.starLooks})
        .Text("long_name", "ABI star catalog identifier associated with observed star")
        .Text("_Unsigned", "true")
        .Shorts("_FillValue", {-1})
        .Text("coordinates", "band_id band_wavelength_star_look t_star_look");
}

void AbiProductFile::DefineGlobalAttributes() {
    const QString satellite = QStringLiteral("G%1").arg(description_.satellite);
    const int fullDisk = FullDiskSize(description_.band);
    const char* resolution = fullDisk == 21696   ? "0.5km at nadir"
                             : fullDisk == 10848 ? "1km at nadir"
                                                 : "2km at nadir";
    const QString identity =
        description_.fileName + QStringLiteral("/%1/%2").arg(description_.seed).arg(description_.size);
    // A fixed namespace keeps the product identifier a function of the options.
    const QUuid idNamespace(QStringLiteral("{5f0b6c52-8d07-4f57-9a1e-3c2b7d0e4a61}"));
    const std::string id = Utf8(QUuid::createUuidV5(idNamespace, identity).toString(QUuid::WithoutBraces));

    file_.Global()
        .Text("naming_authority", "gov.nesdis.noaa")
        .Text("Conventions", "CF-1.7")
        .Text("Metadata_Conventions", "Unidata Dataset Discovery v1.0")
        .Text("standard_name_vocabulary", "CF Standard Name Table (v25, 05 July 2013)")
        .Text("institution",
              "DOC/NOAA/NESDIS > U.S. Department of Commerce, National Oceanic and Atmospheric "
              "Administration, National Environmental Satellite, Data, and Information Services")
        .Text("project", "GOES")
        .Text("production_site", "WCDAS")
        .Text("production_environment", "OE")
        .Text("spatial_resolution", resolution)
        .Text("orbital_slot", description_.longitude > -105.0f ? "GOES-East" : "GOES-West")
        .Text("platform_ID", Utf8(satellite))
        .Text("instrument_type", "GOES R Series Advanced Baseline Imager")
        .Text("scene_id", "Full Disk")
        .Text("instrument_ID", Utf8(QStringLiteral("FM%1").arg(description_.satellite - 15)))
        .Text("title", "ABI L1b Radiances")
        .Text("summary",
              emissive_ ? "Single emissive band ABI L1b Radiance Products are digital maps of outgoing "
                          "radiance values at the top of the atmosphere for IR bands."
                        : "Single reflective band ABI L1b Radiance Products are digital maps of outgoing "
                          "radiance values at the top of the atmosphere for visible and near-IR bands.")
        .Text("keywords", emissive_ ? "SPECTRAL/ENGINEERING > INFRARED WAVELENGTHS > INFRARED RADIANCE"
                                    : "SPECTRAL/ENGINEERING > VISIBLE WAVELENGTHS > VISIBLE RADIANCE")
        .Text("keywords_vocabulary",
              "NASA Global Change Master Directory (GCMD) Earth Science Keywords, Version "
              "7.0.0.0.0")
        .Text("iso_series_metadata_id", "a70be540-c38b-11e0-962b-0800200c9a66")
        .Text("license", "Unclassified data.  Access is restricted to approved users only.")
        .Text("processing_level", "L1b")
        .Text("cdm_data_type", "Image")
        .Text("dataset_name", Utf8(description_.fileName))
        .Text("production_data_source", "Realtime")
        .Text("timeline_id", Utf8(QStringLiteral("ABI Mode %1").arg(description_.scanMode)))
        .Text("date_created", Utf8(AttributeTime(description_.times.created)))
        .Text("time_coverage_start", Utf8(AttributeTime(description_.times.start)))
        .Text("time_coverage_end", Utf8(AttributeTime(description_.times.end)))
        .Text("id", id);
}

void AbiProductFile::WriteGeometry() {
    const double start = J2000Seconds(description_.times.start);
    const double end = J2000Seconds(description_.times.end);
    const double middle = (start + end) / 2;
    file_.Variable("t").Write(&middle);
    const std::array<double, 2> timeBounds = {start, end};
    file_.Variable("time_bounds").Write(timeBounds.data());

    // The coordinates are stored as grid indices; scale_factor and add_offset turn them into angles.
    std::vector<int16_t> indices(static_cast<size_t>(description_.size));
    std::iota(indices.begin(), indices.end(), int16_t{0});
    file_.Variable("y").Write(indices.data());
    file_.Variable("x").Write(indices.data());

    const float centre = 0.0f;
    const auto edge = static_cast<float>(AbiFixedGrid::kHalfExtent);
    const std::array<float, 2> northSouth = {edge, -edge};
    const std::array<float, 2> westEast = {-edge, edge};
    file_.Variable("y_image").Write(&centre);
    file_.Variable("y_image_bounds").Write(northSouth.data());
    file_.Variable("x_image").Write(&centre);
    file_.Variable("x_image_bounds").Write(westEast.data());

    const auto height = static_cast<float>(kSatelliteHeightKm);
    file_.Variable("nominal_satellite_subpoint_lat").Write(&centre);
    file_.Variable("nominal_satellite_subpoint_lon").Write(&description_.longitude);
    file_.Variable("nominal_satellite_height").Write(&height);
    const int8_t notFlipped = 0;
    file_.Variable("yaw_flip_flag").Write(&notFlipped);
}

void AbiProductFile::WriteBand() {
    const auto band = static_cast<int8_t>(description_.band);
    const float wavelength = BandWavelength(description_.band);
    file_.Variable("band_id").Write(&band);
    file_.Variable("band_wavelength").Write(&wavelength);

    const int dayOfYear = description_.times.start.date().dayOfYear();
    const float esun = emissive_ ? kFloatFill : static_cast<float>(BandSolarIrradiance(description_.band));
    const float kappa0 =
        emissive_ ? kFloatFill : static_cast<float>(BandKappa0(description_.band, dayOfYear));
    file_.Variable("esun").Write(&esun);
    file_.Variable("kappa0").Write(&kappa0);

    const AbiPlanckConstants planck = BandPlanckConstants(description_.band);
    const auto planckValue = [this](double value) {
        return emissive_ ? static_cast<float>(value) : kFloatFill;
    };
    const std::array<std::pair<const char*, float>, 4> planckValues = {{
        {"planck_fk1", planckValue(planck.fk1)},
        {"planck_fk2", planckValue(planck.fk2)},
        {"planck_bc1", planckValue(planck.bc1)},
        {"planck_bc2", planckValue(planck.bc2)},
    }};
    for (const auto& [name, value] : planckValues) file_.Variable(name).Write(&value);

    const float noErrors = 0.0f;
    const auto distanceValue = static_cast<float>(EarthSunDistance(dayOfYear));
    file_.Variable("percent_uncorrectable_L0_errors").Write(&noErrors);
    file_.Variable("earth_sun_distance_anomaly_in_AU").Write(&distanceValue);
}

void AbiProductFile::WriteStars() {
    const double start = J2000Seconds(description_.times.start);
    const double duration = J2000Seconds(description_.times.end) - start;
    SampleRandom random(Hash32(description_.seed, static_cast<uint32_t>(description_.band), 0x57a2U));
    std::array<double, kStarLooks> times{};
    std::array<float, kStarLooks> wavelengths{};
    std::array<int16_t, kStarLooks> stars{};
    for (int look = 0; look < kStarLooks; ++look) {
        times[look] = start + duration * (look + 0.5) / kStarLooks;
        wavelengths[look] = BandWavelength(description_.band);
        stars[look] = static_cast<int16_t>(1 + random.Next() % 9000);
    }
    file_.Variable("t_star_look").Write(times.data());
    file_.Variable("band_wavelength_star_look").Write(wavelengths.data());
    file_.Variable("star_id").Write(stars.data());
}

void AbiProductFile::WriteRows(size_t firstRow, size_t rowCount, const uint16_t* counts,
                               const int8_t* flags) {
    const auto columns = static_cast<size_t>(description_.size);
    file_.Variable("Rad").WriteRows(firstRow, rowCount, columns, counts);
    file_.Variable("DQF").WriteRows(firstRow, rowCount, columns, flags);
}

void AbiProductFile::Finish(const AbiPixelTally& tally) {
    const auto writeInt = [this](const char* name, uint64_t value) {
        const auto stored = static_cast<int32_t>(std::min<uint64_t>(value, INT32_MAX));
        file_.Variable(name).Write(&stored);
    };
    writeInt("valid_pixel_count", tally.GoodPixels());
    writeInt("missing_pixel_count", 0);
    writeInt("saturated_pixel_count", tally.SaturatedPixels());
    writeInt("undersaturated_pixel_count", tally.UndersaturatedPixels());

    const AbiRadianceSummary radiance = tally.Radiance();
    const std::array<std::pair<const char*, double>, 4> statistics = {{
        {"min_radiance_value_of_valid_pixels", radiance.minimum},
        {"max_radiance_value_of_valid_pixels", radiance.maximum},
        {"mean_radiance_value_of_valid_pixels", radiance.mean},
        {"std_dev_radiance_value_of_valid_pixels", radiance.standardDeviation},
    }};
    for (const auto& [name, value] : statistics) {
        const auto stored = static_cast<float>(value);
        file_.Variable(name).Write(&stored);
    }

    file_.Variable("DQF")
        .Floats("percent_good_pixel_qf", {tally.GoodShare()})
        .Floats("percent_conditionally_usable_pixel_qf", {0.0f})
        .Floats("percent_out_of_range_pixel_qf", {tally.OutOfRangeShare()})
        .Floats("percent_no_value_pixel_qf", {0.0f});
    file_.Close();
}
