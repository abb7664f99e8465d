// Files whose radiance data or calibration is damaged or absent are refused with their reason before any
// image memory is taken, and files that hold their data read as before.
#include "AbiBitmap.h"
#include "AbiSample.h"
#include "AbiTestImage.h"
#include "BMPExtImage.h"
#include "FailureAssertions.h"
#include "NcWriter.h"
#include "NetCDFGoesAbi.h"
#include "StoredChunks.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <cmath>
#include <gtest/gtest.h>
#include <limits>
#include <tuple>

using namespace std::chrono_literals;

namespace {

// Runs a netCDF command-line tool; true when it succeeded.
bool RunNetCdfTool(const QString& program, const QStringList& arguments) {
    QProcess tool;
    tool.start(program, arguments);
    return tool.waitForFinished(60000) && tool.exitStatus() == QProcess::NormalExit && tool.exitCode() == 0;
}

void CheckNetCdf(int status) {
    ASSERT_EQ(status, NC_NOERR) << nc_strerror(status);
}

class RefusedData : public testing::Test {
protected:
    RefusedData() { bitmap_.SetPixelFormat(TPixelFormat::pf8bit); }

    Status Read(const QString& path, bool singleFileMode = false) {
        return ReadAbiImage(
            {path, std::nullopt, 0ms, singleFileMode ? AbiReadLeniency::ForNamedFile() : AbiReadLeniency()},
            bitmap_, longitude_);
    }
    // A file of the band in a folder of its own: the band is taken from the start of the name.
    QString Path(const QString& folder, int band = 13) const {
        const QDir dir(dir_.path());
        EXPECT_TRUE(dir.mkpath(folder));
        return dir.filePath(folder + "/" + AbiTestName(band));
    }
    // A generated 100 × 100 band-13 file, as the satellites send it (netCDF-4, shuffled and deflated).
    QString Sample() const {
        AbiSampleOptions options;
        options.size = 100;
        return WriteAbiSample(options, dir_.path());
    }
    // A netCDF-4 band-13 file of side × side counts whose first `rowsWritten` rows are written, stored in
    // deflated square chunks of `chunkEdge` (0: stored plainly).
    QString WriteDeclared(const QString& prefix, std::size_t side, std::size_t chunkEdge,
                          std::size_t rowsWritten) const {
        const QString path = Path(prefix);
        NcFile file(path);
        const int y = file.DefineDimension("y", side);
        const int x = file.DefineDimension("x", side);
        const NcVariable radiance = file.DefineVariable("Rad", NC_SHORT, {y, x});
        if (chunkEdge != 0) radiance.Compress(chunkEdge, side, side, 1);
        radiance.Shorts("_FillValue", {4095}).Floats("scale_factor", {0.5f}).Floats("add_offset", {0});
        const std::vector<std::uint16_t> rows(rowsWritten * side, 300);
        if (rowsWritten != 0) radiance.WriteRows(0, rowsWritten, side, rows.data());
        file.Close();
        return path;
    }
    QByteArray Pixels() const {
        QByteArray pixels;
        for (int y = 0; y < bitmap_.Height(); ++y)
            pixels.append(reinterpret_cast<const char*>(bitmap_.ScanLine(y)), bitmap_.Width());
        return pixels;
    }

    QTemporaryDir dir_;
    TExtBitmap bitmap_;
    float longitude_ = 0;
};

} // namespace

TEST_F(RefusedData, ClassicCopiesReadLikeTheOriginal) {
    const QString original = Sample();
    ASSERT_TRUE(Read(original));
    const QByteArray expected = Pixels();
    // Classic, 64-bit offset and 64-bit data: the three layouts of the classic header.
    for (const QString kind : {"classic", "64-bit offset", "cdf5"}) {
        const QString copy = Path(QString(kind).replace(' ', '-'));
        ASSERT_TRUE(RunNetCdfTool("nccopy", {"-k", kind, original, copy})) << kind.toStdString();
        bitmap_.SetSize(0, 0);
        ASSERT_TRUE(Read(copy)) << kind.toStdString();
        EXPECT_EQ(Pixels(), expected) << kind.toStdString();
    }
}

TEST_F(RefusedData, ClassicFileCutShortIsRefused) {
    const QString copy = Path("classic");
    ASSERT_TRUE(RunNetCdfTool("nccopy", {"-k", "classic", Sample(), copy}));
    QFile file(copy);
    ASSERT_TRUE(file.resize(file.size() * 6 / 10));
    EXPECT_TRUE(FailedWithReasonStarting(Read(copy), FailureCode::RadianceDataMissing,
                                         "radiance data missing from the file (the file ends at"));
    EXPECT_EQ(bitmap_.Width(), 0);
}

TEST_F(RefusedData, ClassicHeaderReachingBeyondTheFileIsRefusedUnread) {
    // One dimension whose name would be 4 GB long: the netCDF library would try to allocate it.
    const QByteArray header = QByteArray("CDF\x01", 4) + QByteArray::fromHex("00000000"   // records
                                                                             "0000000a"   // dimensions
                                                                             "00000001"   // one
                                                                             "fffffff0"); // name length
    const QString path = Path("long-name");
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    ASSERT_EQ(file.write(header + QByteArray(100, 'x')), header.size() + 100);
    file.close();
    EXPECT_TRUE(FailedWithReasonStarting(Read(path), FailureCode::DamagedNetCdf,
                                         "damaged netCDF file (header unreadable)"));

    const QString cut = Path("cut-header");
    ASSERT_TRUE(RunNetCdfTool("nccopy", {"-k", "classic", Sample(), cut}));
    ASSERT_TRUE(QFile::resize(cut, 1000));
    EXPECT_TRUE(FailedWithReasonStarting(Read(cut), FailureCode::DamagedNetCdf,
                                         "damaged netCDF file (header unreadable)"));
}

TEST_F(RefusedData, ClassicFileDeclaringAHugeImageWithoutDataIsRefused) {
    const QString path = Path("huge-classic");
    int file = 0;
    CheckNetCdf(nc_create(QFile::encodeName(path).constData(), NC_CLOBBER | NC_64BIT_OFFSET, &file));
    int dimensions[2];
    int radiance = 0;
    CheckNetCdf(nc_def_dim(file, "y", 30000, &dimensions[0]));
    CheckNetCdf(nc_def_dim(file, "x", 30000, &dimensions[1]));
    CheckNetCdf(nc_def_var(file, "Rad", NC_SHORT, 2, dimensions, &radiance));
    const short fill = 4095;
    const float scale = 0.5f;
    CheckNetCdf(nc_put_att_short(file, radiance, "_FillValue", NC_SHORT, 1, &fill));
    CheckNetCdf(nc_put_att_float(file, radiance, "scale_factor", NC_FLOAT, 1, &scale));
    CheckNetCdf(nc_put_att_float(file, radiance, "add_offset", NC_FLOAT, 1, &scale));
    int oldMode = 0;
    CheckNetCdf(nc_set_fill(file, NC_NOFILL, &oldMode));
    CheckNetCdf(nc_close(file));
    // The library reserves the declared size; a file cut after its header is what arrives.
    ASSERT_TRUE(QFile::resize(path, 2048));
    EXPECT_TRUE(FailedWithReasonStarting(Read(path), FailureCode::RadianceDataMissing,
                                         "radiance data missing from the file (the file ends at"));
}

TEST_F(RefusedData, NetCdf4FileDeclaringAHugeImageWithoutDataIsRefused) {
    const QString path = WriteDeclared("huge-netcdf4", 30000, 226, 0);
    ASSERT_LT(QFile(path).size(), 10000);
    EXPECT_TRUE(
        FailedWithReasonStarting(Read(path), FailureCode::RadianceDataMissing,
                                 "radiance data missing from the file (1.8 GB declared in a file of"));
}

TEST_F(RefusedData, ChunksNeverWrittenAreRefused) {
    EXPECT_TRUE(FailedWithReasonStarting(Read(WriteDeclared("half-written", 100, 50, 50)),
                                         FailureCode::RadianceDataMissing,
                                         "radiance data missing from the file (2 of 4 chunks written)"));
}

TEST_F(RefusedData, UncompressedDataNeverWrittenIsRefused) {
    EXPECT_TRUE(FailedWithReasonStarting(
        Read(WriteDeclared("never-written", 300, 0, 0)), FailureCode::RadianceDataMissing,
        "radiance data missing from the file (180.0 kB declared in a file of"));
}

TEST_F(RefusedData, FilesOfTheRealHeaderRead) {
    const QString cdl = QStringLiteral(REFERENCE_CDL);
    // Written from the header alone, a classic file holds the fill value everywhere: white on band 13.
    const QString classic = Path("classic-header");
    ASSERT_TRUE(RunNetCdfTool("ncgen", {"-k", "classic", "-o", classic, cdl}));
    ASSERT_TRUE(Read(classic));
    EXPECT_EQ(bitmap_.Width(), 2500);
    EXPECT_EQ(Pixels(), QByteArray(2500 * 1500, char(255)));

    // As netCDF-4 with its counts written, it reads with its own calibration.
    const QString netCdf4 = Path("netcdf4-header");
    ASSERT_TRUE(RunNetCdfTool("ncgen", {"-k", "nc4", "-o", netCdf4, cdl}));
    int file = 0;
    int radiance = 0;
    CheckNetCdf(nc_open(QFile::encodeName(netCdf4).constData(), NC_WRITE, &file));
    CheckNetCdf(nc_inq_varid(file, "Rad", &radiance));
    const std::vector<short> counts(2500 * 1500, 2000);
    CheckNetCdf(nc_put_var_short(file, radiance, counts.data()));
    CheckNetCdf(nc_close(file));
    ASSERT_TRUE(Read(netCdf4));
    const std::uint8_t grey = InfraredGreyTable(12, 4095, 0.04572892f, -1.6443f)[2000];
    EXPECT_EQ(Pixels(), QByteArray(2500 * 1500, char(grey)));
    EXPECT_FLOAT_EQ(longitude_, -89.5f);
}

namespace {

// A one-row file of the band whose "Rad" has exactly the calibration attributes given.
struct CalibrationCase {
    int band;
    std::optional<float> scaleFactor, addOffset;
    std::optional<short> fillValue;
    bool singleFileMode;
    QString reason; // empty: the file reads
};

} // namespace

TEST_F(RefusedData, UnusableCalibrationIsRefused) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float infinity = std::numeric_limits<float>::infinity();
    const CalibrationCase cases[] = {
        {13, 0.5f, 0, std::nullopt, false, "calibration attributes missing (_FillValue)"},
        {13, 0.5f, 0, std::nullopt, true, "calibration attributes missing (_FillValue)"},
        {2, 0.5f, 0, std::nullopt, false, "calibration attributes missing (_FillValue)"},
        {13, 0.5f, 0, 0, false, "calibration attributes unusable (_FillValue 0)"},
        {2, 0.5f, 0, -1, false, "calibration attributes unusable (_FillValue -1)"},
        {2, 0.5f, 0, -1, true, "calibration attributes unusable (_FillValue -1)"},
        {13, std::nullopt, 0, 4095, false, "calibration attributes missing (scale_factor)"},
        {13, std::nullopt, std::nullopt, 4095, true,
         "calibration attributes missing (scale_factor, add_offset)"},
        {13, nan, 0, 4095, false, "calibration attributes unusable (scale_factor nan)"},
        {13, 0.0f, 0, 4095, false, "calibration attributes unusable (scale_factor 0)"},
        {13, -0.5f, 0, 4095, false, "calibration attributes unusable (scale_factor -0.5)"},
        {13, 0.5f, infinity, 4095, false, "calibration attributes unusable (add_offset inf)"},
        // Visible bands take no scale, and single-file mode falls back to 4095 for their fill value.
        {2, std::nullopt, std::nullopt, 1023, false, ""},
        {2, 0.5f, 0, std::nullopt, true, ""},
        {2, 0.5f, 0, 0, true, ""},
    };
    int index = 0;
    for (const CalibrationCase& c : cases) {
        const QString path = Path(QString::number(index++), c.band);
        {
            NcFile file(path);
            const int y = file.DefineDimension("y", 1);
            const int x = file.DefineDimension("x", 2);
            const NcVariable radiance = file.DefineVariable("Rad", NC_SHORT, {y, x});
            if (c.scaleFactor) radiance.Floats("scale_factor", {*c.scaleFactor});
            if (c.addOffset) radiance.Floats("add_offset", {*c.addOffset});
            if (c.fillValue) radiance.Shorts("_FillValue", {*c.fillValue});
            WriteCounts(radiance, {400, 800});
            file.Close();
        }
        const Status read = Read(path, c.singleFileMode);
        if (c.reason.isEmpty()) {
            ASSERT_TRUE(read) << index << ": " << read.failure().message.toStdString();
            // The larger count is the largest below the fill value, however it was found: white, the other
            // grey.
            EXPECT_EQ(Pixels().toStdString(), std::string({char(Pixels()[0]), char(255)})) << index;
            EXPECT_NE(Pixels()[0], 0) << index;
        } else
            EXPECT_TRUE(FailedWithReasonStarting(read, FailureCode::CalibrationMissing, c.reason)) << index;
    }
}

TEST_F(RefusedData, ChunkInflatingToAnyOtherSizeIsRefused) {
    // Counts of 300 in chunks of 50 × 50, each 5000 bytes; the one at row 50, column 50 is replaced.
    const QString whole = WriteDeclared("whole", 100, 50, 100);
    const StoredChunk stored = ReadStoredChunk(whole, "/Rad", 50, 50);
    const Bytes shuffled = ZlibInflated(stored.bytes, 5000);
    ASSERT_FALSE(shuffled.empty());
    Bytes longer = shuffled;
    longer.resize(5100, 7);
    Bytes trailed = stored.bytes;
    trailed.resize(trailed.size() + 8, 0);
    const std::tuple<const char*, Bytes, QString> cases[] = {
        {"short", ZlibDeflated(Bytes(shuffled.begin(), shuffled.begin() + 2500)),
         "inflates to 2500 bytes, not 5000"},
        {"long", ZlibDeflated(longer), "inflates to more than 5000 bytes"},
        {"trailed", trailed, "has 8 bytes after its compressed data"},
    };
    for (const auto& [kind, bytes, detail] : cases) {
        SCOPED_TRACE(kind);
        const QString path = WriteDeclared(kind, 100, 50, 100);
        ASSERT_TRUE(ReplaceStoredChunk(path, "/Rad", 50, 50, {bytes, 0}));
        bitmap_.SetSize(0, 0);
        EXPECT_TRUE(FailedWith(Read(path), FailureCode::DamagedNetCdf,
                               "damaged netCDF file (Rad chunk at row 50, column 50 " + detail + ")"));
        EXPECT_EQ(bitmap_.Width(), 0);
    }
}
