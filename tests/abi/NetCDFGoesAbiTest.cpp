// The ABI radiance reader on real netCDF files: grey levels, layouts, missing parts and damaged files.
#include "NetCDFGoesAbi.h"
#include "AbiBitmap.h"
#include "AbiSample.h"
#include "AbiTestImage.h"
#include "BMPExtImage.h"
#include "FailureAssertions.h"
#include "NcWriter.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <random>
#include <tuple>

using namespace std::chrono_literals;

namespace {

constexpr auto kRetryOpen = 50ms;

std::vector<int> Pixels(const TExtBitmap& bitmap) {
    std::vector<int> pixels;
    for (int y = 0; y < bitmap.Height(); ++y)
        for (int x = 0; x < bitmap.Width(); ++x) pixels.push_back(bitmap.ScanLine(y)[x]);
    return pixels;
}

class AbiReader : public testing::Test {
protected:
    AbiReader() { bitmap_.SetPixelFormat(TPixelFormat::pf8bit); }

    // Reads the file as the program does; the bitmap keeps the result.
    Status Read(const QString& path, bool singleFileMode = false) {
        return ReadAbiImage({path, std::nullopt, kRetryOpen,
                             singleFileMode ? AbiReadLeniency::ForNamedFile() : AbiReadLeniency()},
                            bitmap_, longitude_);
    }

    // A bitmap that a refused conversion must leave as it is.
    void MarkBitmap() {
        bitmap_.SetSize(3, 1);
        bitmap_.ScanLine(0)[0] = 42;
    }
    void ExpectMarkedBitmap() {
        ASSERT_EQ(bitmap_.Width(), 3);
        ASSERT_EQ(bitmap_.Height(), 1);
        EXPECT_EQ(bitmap_.ScanLine(0)[0], 42);
    }

    QString Path(const QString& name) const { return dir_.filePath(name); }

    QTemporaryDir dir_;
    TExtBitmap bitmap_;
    float longitude_ = 999;
};

} // namespace

TEST_F(AbiReader, InfraredCountsBecomeBrightnessTemperatureGreys) {
    // Scale 0.5, offset -2: counts 204, 104, 24 and 4 have radiance 100, 50, 10 and 0.
    AbiTestImage image{
        .band = 13, .width = 4, .height = 2, .counts = {204, 104, 24, 4, 4095, 0, 4094, 65535}};
    image.addOffset = -2;
    ASSERT_TRUE(Read(WriteAbiTestImage(image, dir_.path())));
    ASSERT_EQ(bitmap_.Width(), 4);
    ASSERT_EQ(bitmap_.Height(), 2);
    EXPECT_EQ(bitmap_.PixelFormat(), TPixelFormat::pf8bit);
    EXPECT_EQ(bitmap_.Palette(), TExtBitmap::GreyRamp());
    EXPECT_EQ(Pixels(bitmap_), (std::vector<int>{67, 143, 219, 255, 255, 255, 0, 255}));
    EXPECT_FLOAT_EQ(longitude_, -75.2f);
}

TEST_F(AbiReader, GeneratedFullDiskFilesOfEveryBandConvert) {
    constexpr int kSize = 200;
    for (int band = 1; band <= 16; ++band) {
        AbiSampleOptions options;
        options.band = band;
        options.size = kSize;
        ASSERT_TRUE(Read(WriteAbiSample(options, dir_.path()))) << band;
        ASSERT_EQ(bitmap_.Width(), kSize) << band;
        ASSERT_EQ(bitmap_.Height(), kSize) << band;
        EXPECT_FLOAT_EQ(longitude_, options.longitude) << band;

        // Space outside the disk is fill: white on infrared, black on visible images.
        const int space = band >= 7 ? 255 : 0;
        for (const auto& [x, y] : {std::pair{0, 0}, {kSize - 1, 0}, {0, kSize - 1}, {kSize - 1, kSize - 1}})
            EXPECT_EQ(bitmap_.ScanLine(y)[x], space) << band << " at " << x << "," << y;
        // The disk shows a scene, not a flat level.
        int darkest = 255;
        int brightest = 0;
        for (int y = kSize / 4; y < kSize * 3 / 4; ++y)
            for (int x = kSize / 4; x < kSize * 3 / 4; ++x) {
                darkest = std::min<int>(darkest, bitmap_.ScanLine(y)[x]);
                brightest = std::max<int>(brightest, bitmap_.ScanLine(y)[x]);
            }
        EXPECT_GT(brightest - darkest, 20) << band;
        EXPECT_LT(darkest, 200) << band;
        EXPECT_GT(brightest, 40) << band;
    }
}

TEST_F(AbiReader, HeaderGivesSizeFillBandAndLongitude) {
    AbiTestImage image{.band = 8, .width = 5, .height = 3, .counts = std::vector<std::uint16_t>(15, 100)};
    TNetCdfGoesAbi reader(kRetryOpen);
    ASSERT_TRUE(reader.OpenAbiFile(WriteAbiTestImage(image, dir_.path())));
    EXPECT_EQ(reader.ImageWidth(), 0);
    EXPECT_TRUE(reader.ReadHeader("Rad"));
    EXPECT_TRUE(reader.HeaderValid());
    EXPECT_EQ(reader.BandIndex(), 7);
    EXPECT_EQ(reader.ImageWidth(), 5);
    EXPECT_EQ(reader.ImageHeight(), 3);
    EXPECT_EQ(reader.FillValue(), 4095);
    EXPECT_FLOAT_EQ(reader.ProjectionLongitude(), -75.2f);
    EXPECT_EQ(reader.InfraredTable()[4095], 255);
    EXPECT_LT(reader.InfraredTable()[100], 255);
}

TEST_F(AbiReader, VisibleBandsStretchToTheLargestValidCount) {
    AbiTestImage image{.band = 2, .width = 4, .height = 2, .counts = {0, 500, 999, 1000, 1023, 700, 4, 1}};
    image.fillValue = 1023;
    ASSERT_TRUE(Read(WriteAbiTestImage(image, dir_.path())));
    EXPECT_EQ(Pixels(bitmap_), (std::vector<int>{0, 127, 254, 255, 0, 178, 1, 0}));
}

TEST_F(AbiReader, VisibleImageOfOnlyFillIsBlack) {
    AbiTestImage image{.band = 1, .width = 3, .height = 3, .counts = std::vector<std::uint16_t>(9, 1023)};
    image.fillValue = 1023;
    ASSERT_TRUE(Read(WriteAbiTestImage(image, dir_.path())));
    EXPECT_EQ(Pixels(bitmap_), std::vector<int>(9, 0));
}

TEST_F(AbiReader, FourteenBitInfraredCountsKeepTheirTemperature) {
    // Band 7 at scale 0.0002: 297.0, 306.4, 313.9 and 325.2 K.
    AbiTestImage image{.band = 7, .width = 3, .height = 2, .counts = {4095, 6000, 8000, 12000, 16383, 0}};
    image.scaleFactor = 0.0002f;
    image.fillValue = 16383;
    ASSERT_TRUE(Read(WriteAbiTestImage(image, dir_.path())));
    EXPECT_EQ(Pixels(bitmap_), (std::vector<int>{66, 47, 32, 10, 255, 255}));
}

TEST_F(AbiReader, RowZeroOfTheVariableIsTheTopRow) {
    AbiTestImage image{.band = 2, .width = 2, .height = 3, .counts = {0, 10, 20, 30, 40, 50}};
    ASSERT_TRUE(Read(WriteAbiTestImage(image, dir_.path())));
    EXPECT_EQ(bitmap_.ScanLine(0)[1], 51);  // 10 of 50
    EXPECT_EQ(bitmap_.ScanLine(2)[0], 204); // 40 of 50
    EXPECT_EQ(bitmap_.ScanLine(2)[1], 255);
}

TEST_F(AbiReader, EveryWidthKeepsEveryPixelInItsPlace) {
    // The grey rows share memory with the counts they come from; narrow and odd widths stress that most.
    for (const int width : {1, 2, 3, 5, 8}) {
        AbiTestImage image{.band = 13, .width = width, .height = 7, .counts = {}};
        for (int i = 0; i < width * 7; ++i) image.counts.push_back(static_cast<std::uint16_t>(300 + 97 * i));
        ASSERT_TRUE(Read(WriteAbiTestImage(image, dir_.path()))) << width;
        ASSERT_EQ(bitmap_.Width(), width);
        ASSERT_EQ(bitmap_.Height(), 7);
        const GreyTable expected = InfraredGreyTable(12, 4095, image.scaleFactor, image.addOffset);
        for (int y = 0; y < 7; ++y)
            for (int x = 0; x < width; ++x)
                EXPECT_EQ(bitmap_.ScanLine(y)[x], expected[image.counts[y * width + x]])
                    << width << ": " << x << "," << y;
    }
    // The image stays an ordinary bitmap: it can be resized and written to.
    bitmap_.SetSize(10, 8);
    bitmap_.ScanLine(7)[9] = 1;
    EXPECT_EQ(bitmap_.ScanLine(0)[0], InfraredGreyTable(12, 4095, 0.5, 0)[300]);
}

TEST_F(AbiReader, NameOfAnotherKindKeepsBandZero) {
    AbiTestImage image{.band = 13, .width = 2, .height = 1, .counts = {100, 200}};
    const QString path = WriteAbiTestImage(image, dir_.path());
    const QString renamed = Path("copy-" + AbiTestName(13));
    ASSERT_TRUE(QFile::rename(path, renamed));
    TNetCdfGoesAbi reader(kRetryOpen);
    ASSERT_TRUE(reader.OpenAbiFile(renamed));
    EXPECT_EQ(reader.BandIndex(), 0);
    ASSERT_TRUE(Read(renamed));
    EXPECT_EQ(Pixels(bitmap_), (std::vector<int>{127, 255}));
}

TEST_F(AbiReader, NameHoldingMarkupAndABackslashIsReadAsItself) {
    // The netCDF library once took the backslash for a folder separator on the way to HDF5: it found nothing
    // ("HDF error"), or the file this folder holds under the name so rewritten.
    const QString name = AbiTestName(13).left(41) + "_e<script>alert(1)<\\script>_c.nc";
    const QString path = Path(name);
    AbiTestImage image{.band = 13, .width = 2, .height = 1, .counts = {100, 200}};
    ASSERT_TRUE(QFile::rename(WriteAbiTestImage(image, dir_.path()), path));
    const QString decoyFolder = Path(name.section(u'\\', 0, 0));
    ASSERT_TRUE(QDir().mkpath(decoyFolder));
    image.counts = {300, 400};
    ASSERT_TRUE(
        QFile::rename(WriteAbiTestImage(image, dir_.path()), decoyFolder + "/" + name.section(u'\\', 1)));

    ASSERT_TRUE(Read(path));
    const GreyTable grey = InfraredGreyTable(12, 4095, image.scaleFactor, image.addOffset);
    EXPECT_EQ(Pixels(bitmap_), (std::vector<int>{grey[100], grey[200]}));
}

TEST_F(AbiReader, ExtraDimensionsOfRealFilesDoNotMatter) {
    for (const int extra : {0, 4, 5}) {
        const QString path = Path(QString::number(extra) + "-" + AbiTestName(2));
        NcFile file(path);
        const int y = file.DefineDimension("y", 1);
        const int x = file.DefineDimension("x", 2);
        for (int i = 0; i < extra; ++i) file.DefineDimension(("extra" + std::to_string(i)).c_str(), 2);
        const NcVariable radiance = file.DefineVariable("Rad", NC_SHORT, {y, x});
        radiance.Shorts("_FillValue", {1023});
        WriteCounts(radiance, {300, 600});
        file.Close();
        ASSERT_TRUE(Read(path)) << extra;
        EXPECT_EQ(Pixels(bitmap_), (std::vector<int>{127, 255})) << extra;
    }
}

TEST_F(AbiReader, RowsAndColumnsFileIsReadOnlyInSingleFileMode) {
    const QString path = Path(AbiTestName(3));
    {
        NcFile file(path);
        const int rows = file.DefineDimension("rows", 2);
        const int columns = file.DefineDimension("columns", 2);
        WriteCounts(file.DefineVariable("Rad", NC_SHORT, {rows, columns}), {0, 2000, 4000, 4095});
        file.Close();
    }
    // Without a fill value nothing would be below it: a black image is refused.
    EXPECT_TRUE(FailedWith(Read(path), FailureCode::CalibrationMissing,
                           "calibration attributes missing (_FillValue)"));
    EXPECT_EQ(longitude_, 0);
    ASSERT_TRUE(Read(path, true));
    EXPECT_EQ(Pixels(bitmap_), (std::vector<int>{0, 127, 255, 0}));
}

TEST_F(AbiReader, AttributesWithSeveralValuesCountAsMissing) {
    const QString path = Path(AbiTestName(13));
    {
        NcFile file(path);
        const int y = file.DefineDimension("y", 1);
        const int x = file.DefineDimension("x", 2);
        const NcVariable radiance = file.DefineVariable("Rad", NC_SHORT, {y, x});
        radiance.Floats("scale_factor", {0.5f, 0.5f, 0.5f, 0.5f, 0.5f, 0.5f, 0.5f, 0.5f});
        radiance.Floats("add_offset", {0});
        radiance.Shorts("_FillValue", {4095});
        const NcVariable projection = file.DefineVariable("goes_imager_projection", NC_INT, {});
        projection.Floats("longitude_of_projection_origin", {1, 2, 3, 4, 5, 6, 7, 8});
        WriteCounts(radiance, {400, 800});
        file.Close();
    }
    EXPECT_TRUE(FailedWith(Read(path), FailureCode::CalibrationMissing,
                           "calibration attributes missing (scale_factor)"));
    EXPECT_EQ(longitude_, 0);
}

TEST_F(AbiReader, MissingVariableFailsExceptInSingleFileModeWithAVariableOfTheImageSize) {
    const QString imageSized = Path("image-sized-" + AbiTestName(2));
    const QString scalarFirst = Path("scalar-first-" + AbiTestName(2));
    {
        NcFile file(imageSized);
        const int y = file.DefineDimension("y", 1);
        const int x = file.DefineDimension("x", 2);
        WriteCounts(file.DefineVariable("counts", NC_SHORT, {y, x}), {2000, 4000});
        file.Close();
    }
    {
        NcFile file(scalarFirst);
        const int y = file.DefineDimension("y", 1);
        const int x = file.DefineDimension("x", 2);
        const NcVariable band = file.DefineVariable("band_id", NC_SHORT, {});
        file.DefineVariable("counts", NC_SHORT, {y, x});
        WriteCounts(band, {13});
        file.Close();
    }
    MarkBitmap();
    EXPECT_TRUE(FailedWith(Read(imageSized), FailureCode::NoRadianceVariable, "no radiance variable"));
    ExpectMarkedBitmap();
    EXPECT_TRUE(FailedWith(Read(scalarFirst, true), FailureCode::NoRadianceVariable,
                           "radiance variable holds 1 values, not 2"));
    ExpectMarkedBitmap();
    ASSERT_TRUE(Read(imageSized, true));
    EXPECT_EQ(Pixels(bitmap_), (std::vector<int>{127, 255}));
}

TEST_F(AbiReader, MissingDimensionsOrMismatchedVariableGiveNoImage) {
    const QString noDimensions = Path("none-" + AbiTestName(2));
    const QString onlyY = Path("only-y-" + AbiTestName(2));
    const QString wrongShape = Path("wrong-shape-" + AbiTestName(2));
    {
        NcFile file(noDimensions);
        const int band = file.DefineDimension("band", 4);
        WriteCounts(file.DefineVariable("Rad", NC_SHORT, {band}), {1, 2, 3, 4});
    }
    {
        NcFile file(onlyY);
        const int y = file.DefineDimension("y", 4);
        file.DefineDimension("columns", 1);
        WriteCounts(file.DefineVariable("Rad", NC_SHORT, {y}), {1, 2, 3, 4});
    }
    {
        NcFile file(wrongShape);
        file.DefineDimension("y", 2);
        const int x = file.DefineDimension("x", 2);
        const NcVariable radiance = file.DefineVariable("Rad", NC_SHORT, {x});
        radiance.Shorts("_FillValue", {1023});
        WriteCounts(radiance, {1, 2});
        file.DefineDimension("rows", 9);
    }
    MarkBitmap();
    const QString noImage = "no image dimensions (y and x, or rows and columns)";
    const std::pair<QString, QString> cases[] = {
        {noDimensions, noImage}, {onlyY, noImage}, {wrongShape, "radiance variable holds 2 values, not 4"}};
    for (const auto& [path, message] : cases) {
        TNetCdfGoesAbi reader(kRetryOpen);
        ASSERT_TRUE(reader.OpenAbiFile(path));
        const bool header = reader.ReadHeader("Rad").ok();
        EXPECT_FALSE(reader.ConvertToGreyRows(1.0f)) << path.toStdString();
        EXPECT_EQ(reader.ImageWidth() == 0, !header);
        EXPECT_TRUE(FailedWith(Read(path), FailureCode::NoRadianceVariable, message)) << path.toStdString();
        ExpectMarkedBitmap();
    }
}

TEST_F(AbiReader, OversizedDeclaredImageIsRefusedBeforeAllocation) {
    const QString path = Path(AbiTestName(2));
    {
        // Chunks that are never written take no room in the file.
        NcFile file(path);
        const int y = file.DefineDimension("y", 40000);
        const int x = file.DefineDimension("x", 40000);
        file.DefineVariable("Rad", NC_SHORT, {y, x}).Compress(226, 40000, 40000, 1);
        file.Close();
    }
    ASSERT_LT(QFile(path).size(), 100000);
    TNetCdfGoesAbi reader(kRetryOpen);
    ASSERT_TRUE(reader.OpenAbiFile(path));
    EXPECT_TRUE(
        FailedWith(reader.ReadHeader("Rad"), FailureCode::ImageTooLarge, "image too large (40000 × 40000)"));
    EXPECT_EQ(reader.ImageWidth(), 0);
    EXPECT_EQ(reader.ImageHeight(), 0);
    EXPECT_FALSE(reader.ConvertToGreyRows(1.0f));
}

TEST_F(AbiReader, OnlyEightBitBitmapsAreFilled) {
    AbiTestImage image{.band = 13, .width = 2, .height = 1, .counts = {100, 200}};
    TExtBitmap colour;
    colour.SetPixelFormat(TPixelFormat::pf24bit);
    colour.SetSize(1, 1);
    EXPECT_TRUE(FailedWith(
        ReadAbiImage({WriteAbiTestImage(image, dir_.path()), std::nullopt, kRetryOpen, AbiReadLeniency()},
                     colour, longitude_),
        FailureCode::ReaderFailed, "the reader fills only 8-bit images"));
    EXPECT_EQ(colour.PixelFormat(), TPixelFormat::pf24bit);
    EXPECT_EQ(colour.Width(), 1);
}

TEST_F(AbiReader, FileThatCannotBeOpenedLeavesLongitudeAndBitmap) {
    MarkBitmap();
    QElapsedTimer timer;
    timer.start();
    EXPECT_TRUE(FailedWith(Read(Path(AbiTestName(13))), FailureCode::FileVanished, "file vanished"));
    EXPECT_GE(timer.elapsed(), kRetryOpen.count());
    EXPECT_EQ(longitude_, 999);
    ExpectMarkedBitmap();
}

TEST_F(AbiReader, DamagedFilesAreRefused) {
    std::vector<std::uint16_t> counts(200 * 200);
    std::mt19937 random(7);
    for (std::uint16_t& count : counts) count = static_cast<std::uint16_t>(random() % 4095);
    AbiTestImage image{.band = 13, .width = 200, .height = 200, .counts = counts};
    image.compressed = true;
    const QString original = WriteAbiTestImage(image, dir_.path());
    QFile source(original);
    ASSERT_TRUE(source.open(QIODevice::ReadOnly));
    const QByteArray bytes = source.readAll();
    source.close();

    QByteArray corrupt = bytes;
    for (qsizetype i = corrupt.size() / 2; i < corrupt.size() / 2 + 64; ++i)
        corrupt[i] = static_cast<char>(random());
    const QString notNetCdf = "not a netCDF file";
    const QString hdfError = "damaged netCDF file (HDF error)";
    const QString chunkDamaged =
        "damaged netCDF file (Rad chunk at row 0, column 0 holds compressed data that cannot be inflated)";
    const std::tuple<const char*, QByteArray, FailureCode, QString> damaged[] = {
        {"empty", QByteArray(), FailureCode::NotNetCdf, notNetCdf},
        {"text", QByteArray("CDF? not really a netCDF file\n").repeated(100), FailureCode::NotNetCdf,
         notNetCdf},
        {"truncated", bytes.left(bytes.size() / 2), FailureCode::DamagedNetCdf, hdfError},
        {"corrupt", corrupt, FailureCode::DamagedNetCdf, chunkDamaged},
    };
    for (const auto& [kind, content, code, message] : damaged) {
        const QString path = Path(QString(kind) + "-" + AbiTestName(13));
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(content);
        file.close();
        MarkBitmap();
        EXPECT_TRUE(FailedWith(Read(path), code, message)) << kind;
        ExpectMarkedBitmap();
    }

    // The corruption lies in the compressed counts: the header reads, the data read fails, naming the chunk.
    TNetCdfGoesAbi reader(kRetryOpen);
    ASSERT_TRUE(reader.OpenAbiFile(Path(QString("corrupt-") + AbiTestName(13))));
    EXPECT_TRUE(reader.ReadHeader("Rad"));
    EXPECT_TRUE(
        FailedWith(reader.ConvertToGreyRows(1.0f).status(), FailureCode::DamagedNetCdf, chunkDamaged));
}
