// The sample generator's files read back with netCDF-C: layout, attributes, scene and explicit counts.
#include "AbiSample.h"
#include "SampleFileProbe.h"

#include <netcdf.h>

#include <QDir>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <numeric>

namespace {

AbiSampleOptions SmallSample(int band = 13, int size = 300) {
    AbiSampleOptions options;
    options.band = band;
    options.size = size;
    return options;
}

// Brightness temperature of a band-13 count, the way the converter computes it.
double Band13Temperature(uint16_t count) {
    const double radiance = count * 0.04572892 - 1.6443;
    return (1389.86 / std::log(10736.4 / radiance + 1.0) - 0.13445) / 0.99955;
}

// Distance of a pixel centre from the image centre, in units of half the image width.
double RadiusOf(int row, int column, int size) {
    const double centre = (size - 1) / 2.0;
    return std::hypot(row - centre, column - centre) / (size / 2.0);
}

class AbiSampleTest : public testing::Test {
protected:
    QString Write(const AbiSampleOptions& options) {
        const QString path = WriteAbiSample(options, folder_.path());
        EXPECT_TRUE(QFileInfo::exists(path)) << path.toStdString();
        return path;
    }
    QStringList FolderEntries() const {
        return QDir(folder_.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
    }

    QTemporaryDir folder_;
};

} // namespace

TEST(AbiSampleNameTest, FollowsTheOperationalPattern) {
    const AbiSampleOptions defaults;
    EXPECT_EQ(AbiSampleFileName(defaults),
              QStringLiteral("OR_ABI-L1b-RadF-M6C13_G16_s20250212002045_e20250212011353_c20250212011412.nc"));

    AbiSampleOptions options;
    options.satellite = 18;
    options.band = 2;
    options.scanMode = 3;
    // Rounds to the next tenth, which is the next year.
    options.start = QDateTime(QDate(2024, 12, 31), QTime(23, 59, 59, 960), Qt::UTC);
    const QString name = AbiSampleFileName(options);
    EXPECT_TRUE(name.startsWith(QStringLiteral("OR_ABI-L1b-RadF-M3C02_G18_s20250010000000_e")))
        << name.toStdString();
    static const QRegularExpression pattern(
        QStringLiteral("^OR_ABI-L1b-RadF-M[346]C\\d{2}_G1[6-9]_s\\d{14}_e\\d{14}_c\\d{14}\\.nc$"));
    EXPECT_TRUE(pattern.match(name).hasMatch()) << name.toStdString();
}

TEST(AbiSampleNameTest, RejectsOptionsOutOfRange) {
    const auto rejected = [](auto change) {
        AbiSampleOptions options;
        change(options);
        EXPECT_THROW(AbiSampleFileName(options), std::runtime_error);
    };
    rejected([](AbiSampleOptions& o) { o.satellite = 15; });
    rejected([](AbiSampleOptions& o) { o.band = 17; });
    rejected([](AbiSampleOptions& o) { o.scanMode = 5; });
    rejected([](AbiSampleOptions& o) { o.start = QDateTime(); });
    rejected([](AbiSampleOptions& o) { o.size = -1; });
}

TEST(AbiBandTableTest, CalibrationAndGridSizes) {
    EXPECT_EQ(BandCalibration(1).fillValue, 1023);
    EXPECT_EQ(BandCalibration(2).fillValue, 4095);
    EXPECT_EQ(BandCalibration(4).fillValue, 2047);
    EXPECT_EQ(BandCalibration(7).fillValue, 16383);
    EXPECT_EQ(BandCalibration(7).validMax, 16382);
    EXPECT_DOUBLE_EQ(BandCalibration(13).scaleFactor, 0.04572892);
    EXPECT_DOUBLE_EQ(BandCalibration(13).addOffset, -1.6443);
    EXPECT_EQ(FullDiskSize(2), 21696);
    for (const int band : {1, 3, 5}) EXPECT_EQ(FullDiskSize(band), 10848);
    for (const int band : {4, 6, 7, 13, 16}) EXPECT_EQ(FullDiskSize(band), 5424);
    EXPECT_THROW(BandCalibration(0), std::runtime_error);
}

TEST_F(AbiSampleTest, SmallFileHasTheOperationalLayout) {
    AbiSampleOptions options = SmallSample();
    options.longitude = -137.2f;
    const QString path = Write(options);
    EXPECT_EQ(QFileInfo(path).fileName(), AbiSampleFileName(options));
    EXPECT_EQ(FolderEntries(), QStringList{QFileInfo(path).fileName()})
        << "no partial file may be left behind";

    const SampleFileProbe probe(path);
    const std::map<std::string, size_t> expected = {{"y", 300},
                                                    {"x", 300},
                                                    {"number_of_time_bounds", 2},
                                                    {"band", 1},
                                                    {"number_of_image_bounds", 2},
                                                    {"num_star_looks", 24}};
    EXPECT_EQ(probe.Dimensions(), expected);

    const int rad = probe.VariableId("Rad");
    ASSERT_GE(rad, 0);
    nc_type type = NC_NAT;
    int dimensionCount = 0;
    nc_inq_vartype(probe.FileId(), rad, &type);
    nc_inq_varndims(probe.FileId(), rad, &dimensionCount);
    EXPECT_EQ(type, NC_SHORT);
    EXPECT_EQ(dimensionCount, 2);
    EXPECT_EQ(probe.AttributeType("Rad", "_FillValue"), NC_SHORT);
    EXPECT_EQ(probe.Number("Rad", "_FillValue"), 4095);
    EXPECT_EQ(probe.Text("Rad", "_Unsigned"), "true");
    EXPECT_EQ(probe.AttributeType("Rad", "sensor_band_bit_depth"), NC_BYTE);
    EXPECT_EQ(probe.Number("Rad", "sensor_band_bit_depth"), 12);
    EXPECT_EQ(probe.Numbers("Rad", "valid_range"), (std::vector<double>{0, 4094}));
    EXPECT_EQ(probe.AttributeType("Rad", "scale_factor"), NC_FLOAT);
    EXPECT_FLOAT_EQ(static_cast<float>(probe.Number("Rad", "scale_factor")), 0.04572892f);
    EXPECT_FLOAT_EQ(static_cast<float>(probe.Number("Rad", "add_offset")), -1.6443f);
    EXPECT_EQ(probe.Text("Rad", "units"), "mW m-2 sr-1 (cm-1)-1");

    for (const char* name : {"Rad", "DQF"}) {
        int storage = -1;
        size_t chunks[2] = {};
        nc_inq_var_chunking(probe.FileId(), probe.VariableId(name), &storage, chunks);
        EXPECT_EQ(storage, NC_CHUNKED) << name;
        EXPECT_EQ(chunks[0], 226u) << name;
        EXPECT_EQ(chunks[1], 226u) << name;
        int shuffle = 0, deflate = 0, level = 0;
        nc_inq_var_deflate(probe.FileId(), probe.VariableId(name), &shuffle, &deflate, &level);
        EXPECT_EQ(shuffle, 1) << name;
        EXPECT_EQ(deflate, 1) << name;
        EXPECT_EQ(level, 1) << name;
    }

    EXPECT_FLOAT_EQ(
        static_cast<float>(probe.Number("goes_imager_projection", "longitude_of_projection_origin")),
        -137.2f);
    EXPECT_EQ(probe.Number("goes_imager_projection", "perspective_point_height"), 35786023.0);
    EXPECT_EQ(probe.Text("goes_imager_projection", "sweep_angle_axis"), "x");
    EXPECT_EQ(probe.Text("", "platform_ID"), "G16");
    EXPECT_EQ(probe.Text("", "scene_id"), "Full Disk");
    EXPECT_EQ(probe.Text("", "timeline_id"), "ABI Mode 6");
    EXPECT_EQ(probe.Text("", "dataset_name"), QFileInfo(path).fileName().toStdString());
    EXPECT_EQ(probe.Text("", "time_coverage_start"), "2025-01-21T20:02:04.5Z");
    EXPECT_EQ(probe.Values("band_id"), std::vector<double>{13});
}

TEST_F(AbiSampleTest, TimesAndGridSpanTheScanAndTheFullDisk) {
    const SampleFileProbe probe(Write(SmallSample()));
    const double start =
        QDateTime(QDate(2000, 1, 1), QTime(12, 0), Qt::UTC).msecsTo(AbiSampleOptions().start) / 1e3;
    const std::vector<double> bounds = probe.Values("time_bounds");
    ASSERT_EQ(bounds.size(), 2u);
    EXPECT_DOUBLE_EQ(bounds[0], start);
    EXPECT_DOUBLE_EQ(bounds[1], start + 570.8);
    EXPECT_EQ(probe.Values("t"), std::vector<double>{(bounds[0] + bounds[1]) / 2});

    const std::vector<double> x = probe.Values("x");
    const std::vector<double> y = probe.Values("y");
    ASSERT_EQ(x.size(), 300u);
    const auto angle = [&probe](const char* axis, double stored) {
        return stored * probe.Number(axis, "scale_factor") + probe.Number(axis, "add_offset");
    };
    EXPECT_NEAR(angle("x", x.front()), -0.1513, 1e-3); // the first pixel centre, half a step inside the edge
    EXPECT_NEAR(angle("x", x.back()), 0.1513, 1e-3);
    EXPECT_NEAR(angle("y", y.front()), 0.1513, 1e-3); // north on top
    EXPECT_NEAR(angle("y", y.back()), -0.1513, 1e-3);
}

class AbiSampleBandTest : public AbiSampleTest, public testing::WithParamInterface<int> {};

TEST_P(AbiSampleBandTest, FillOutsideTheDiskValidCountsInside) {
    const int band = GetParam();
    constexpr int kSize = 120;
    const AbiBandCalibration calibration = BandCalibration(band);
    const SampleFileProbe probe(Write(SmallSample(band, kSize)));
    EXPECT_EQ(probe.Number("Rad", "_FillValue"), calibration.fillValue);
    EXPECT_EQ(probe.Number("Rad", "sensor_band_bit_depth"), calibration.bitDepth);
    EXPECT_EQ(probe.Numbers("Rad", "valid_range"),
              (std::vector<double>{0, static_cast<double>(calibration.validMax)}));

    const std::vector<uint16_t> counts = probe.Counts();
    const std::vector<uint8_t> flags = probe.Flags();
    ASSERT_EQ(counts.size(), static_cast<size_t>(kSize * kSize));
    ASSERT_EQ(flags.size(), counts.size());
    size_t inside = 0;
    for (int row = 0; row < kSize; ++row)
        for (int column = 0; column < kSize; ++column) {
            const size_t i = static_cast<size_t>(row) * kSize + column;
            const double radius = RadiusOf(row, column, kSize);
            if (radius > 0.975) {
                ASSERT_EQ(counts[i], calibration.fillValue) << "row " << row << " column " << column;
                ASSERT_EQ(flags[i], 255) << "row " << row << " column " << column;
            } else if (radius < 0.94) {
                ASSERT_LT(counts[i], calibration.fillValue) << "row " << row << " column " << column;
                ASSERT_EQ(flags[i], 0) << "row " << row << " column " << column;
                ++inside;
            }
        }
    EXPECT_GT(inside, static_cast<size_t>(kSize * kSize * 0.6));
    EXPECT_EQ(
        probe.Values("valid_pixel_count").at(0),
        std::count_if(counts.begin(), counts.end(), [&](uint16_t c) { return c < calibration.fillValue; }));
}

INSTANTIATE_TEST_SUITE_P(Bands, AbiSampleBandTest, testing::Values(1, 2, 4, 7, 13, 16));

TEST_F(AbiSampleTest, InfraredSceneHasCloudsAndWarmSurface) {
    const std::vector<uint16_t> counts = SampleFileProbe(Write(SmallSample(13))).Counts();
    std::vector<double> temperatures;
    for (const uint16_t count : counts)
        if (count != 4095) temperatures.push_back(Band13Temperature(count));
    const auto [coldest, warmest] = std::minmax_element(temperatures.begin(), temperatures.end());
    EXPECT_GT(*coldest, 175.0);
    EXPECT_LT(*warmest, 315.0);
    const auto share = [&](auto test) {
        return static_cast<double>(std::count_if(temperatures.begin(), temperatures.end(), test)) /
               static_cast<double>(temperatures.size());
    };
    EXPECT_GT(share([](double t) { return t < 230; }), 0.05) << "cold cloud tops";
    EXPECT_GT(share([](double t) { return t > 280; }), 0.2) << "warm clear surface";
}

TEST_F(AbiSampleTest, VisibleSceneUsesMostOfTheRange) {
    const std::vector<uint16_t> counts = SampleFileProbe(Write(SmallSample(2))).Counts();
    uint16_t darkest = 4095, brightest = 0;
    for (const uint16_t count : counts)
        if (count != 4095) {
            darkest = std::min(darkest, count);
            brightest = std::max(brightest, count);
        }
    EXPECT_LT(darkest, 4094 / 5);
    EXPECT_GT(brightest, 4094 / 2);
    EXPECT_LT(brightest, 4095);
}

TEST_F(AbiSampleTest, SameOptionsGiveTheSameCountsAnotherSeedOthers) {
    AbiSampleOptions options = SmallSample(13, 200);
    const std::vector<uint16_t> first = SampleFileProbe(Write(options)).Counts();
    ASSERT_FALSE(first.empty());
    const std::vector<uint16_t> again = SampleFileProbe(Write(options)).Counts(); // replaces the first file
    EXPECT_EQ(first, again);
    options.seed = 2;
    const std::vector<uint16_t> reseeded = SampleFileProbe(Write(options)).Counts();
    ASSERT_EQ(reseeded.size(), first.size());
    const auto differing = std::inner_product(first.begin(), first.end(), reseeded.begin(), size_t{0},
                                              std::plus<>(), std::not_equal_to<>());
    EXPECT_GT(differing, first.size() / 4);
}

TEST_F(AbiSampleTest, ExplicitCountsAreWrittenAsGiven) {
    AbiSampleOptions options = SmallSample(13, 5);
    options.counts = {0,    1,    2,    3,     4,     // a few low counts
                      4094, 4095, 4096, 40000, 65535, // highest valid, fill, and counts above the fill
                      100,  200,  300,  400,   500,   600, 700, 800, 900, 1000, 1100, 1200, 1300, 1400, 1500};
    const SampleFileProbe probe(Write(options));
    EXPECT_EQ(probe.Counts(), options.counts);
    const std::vector<uint8_t> flags = probe.Flags();
    ASSERT_EQ(flags.size(), 25u);
    EXPECT_EQ(flags[5], 0);   // highest valid count
    EXPECT_EQ(flags[6], 255); // fill
    EXPECT_EQ(flags[7], 2);   // out of range
    EXPECT_EQ(flags[9], 2);
    EXPECT_EQ(probe.Values("valid_pixel_count").at(0), 21);
    EXPECT_FLOAT_EQ(static_cast<float>(probe.Values("min_radiance_value_of_valid_pixels").at(0)), -1.6443f);
    EXPECT_FLOAT_EQ(static_cast<float>(probe.Values("max_radiance_value_of_valid_pixels").at(0)),
                    static_cast<float>(4094 * 0.04572892 - 1.6443));
}

TEST_F(AbiSampleTest, FailuresThrowAndLeaveNoFileBehind) {
    AbiSampleOptions options = SmallSample(13, 5);
    options.counts = {1, 2, 3};
    EXPECT_THROW(WriteAbiSample(options, folder_.path()), std::runtime_error);
    EXPECT_THROW(WriteAbiSample(SmallSample(), folder_.filePath(QStringLiteral("missing"))),
                 std::runtime_error);

    // A folder in the way of the final name: the finished file cannot take its place.
    const AbiSampleOptions blocked = SmallSample(13, 32);
    ASSERT_TRUE(QDir(folder_.path()).mkdir(AbiSampleFileName(blocked)));
    ASSERT_TRUE(QFile(QDir(folder_.path()).filePath(AbiSampleFileName(blocked) + "/keep"))
                    .open(QIODevice::WriteOnly));
    try {
        WriteAbiSample(blocked, folder_.path());
        ADD_FAILURE() << "no exception";
    } catch (const std::runtime_error& error) {
        EXPECT_NE(std::string(error.what()).find("rename"), std::string::npos) << error.what();
    }
    EXPECT_EQ(FolderEntries(), QStringList{AbiSampleFileName(blocked)});
}
