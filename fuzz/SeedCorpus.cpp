// Writes the fuzz targets' seed corpora into <folder>/<target>/: small generated radiance files of several
// bands (netCDF-4 as the satellites send them, and one classic file), small PNG and JPEG files written by the
// program's own codecs, file names of every kind the decoder meets, and the reader's requests and answers.
#include "AbiSample.h"
#include "BMPExtImage.h"
#include "JPEG_IO.h"
#include "NcWriter.h"
#include "PNG_IO.h"
#include "ReaderMessages.h"

#include <QDir>
#include <QFile>
#include <cstdio>
#include <exception>
#include <netcdf.h>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

void Check(bool ok, const QString& what) {
    if (!ok) throw std::runtime_error(what.toStdString());
}

void CheckNetCdf(int status, const char* what) {
    if (status != NC_NOERR) throw std::runtime_error(std::string(what) + ": " + nc_strerror(status));
}

QString Folder(const QString& root, const char* target) {
    const QString folder = QDir(root).filePath(target);
    Check(QDir().mkpath(folder), "cannot create " + folder);
    return folder;
}

void WriteRadianceSeeds(const QString& folder) {
    for (const int band : {1, 2, 7, 13}) {
        AbiSampleOptions options;
        options.band = band;
        options.size = 24;
        WriteAbiSample(options, folder);
    }
    // The radiance variable alone, compressed as the satellites do: small enough for quick mutations.
    {
        NcFile file(QDir(folder).filePath("minimal-band07.nc"));
        const int y = file.DefineDimension("y", 4);
        const int x = file.DefineDimension("x", 6);
        const NcVariable radiance = file.DefineVariable("Rad", NC_SHORT, {y, x});
        radiance.Compress(3, 4, 6, 1);
        radiance.Shorts("_FillValue", {16383}).Floats("scale_factor", {0.002f}).Floats("add_offset", {-0.1f});
        std::vector<std::uint16_t> counts(24);
        for (std::size_t i = 0; i < counts.size(); ++i) counts[i] = static_cast<std::uint16_t>(i * 600);
        radiance.Write(counts.data());
        file.Close();
    }
    // A classic file of the same shape: the other family of formats the library opens.
    const QByteArray path = QFile::encodeName(QDir(folder).filePath("classic-band13.nc"));
    int file = 0;
    CheckNetCdf(nc_create(path.constData(), NC_CLOBBER, &file), "create classic seed");
    int dimensions[2];
    int radiance = 0;
    CheckNetCdf(nc_def_dim(file, "y", 4, &dimensions[0]), "y");
    CheckNetCdf(nc_def_dim(file, "x", 6, &dimensions[1]), "x");
    CheckNetCdf(nc_def_var(file, "Rad", NC_SHORT, 2, dimensions, &radiance), "Rad");
    const short fill = 4095;
    const float scale = 0.5f;
    const float offset = -2.0f;
    CheckNetCdf(nc_put_att_short(file, radiance, "_FillValue", NC_SHORT, 1, &fill), "_FillValue");
    CheckNetCdf(nc_put_att_float(file, radiance, "scale_factor", NC_FLOAT, 1, &scale), "scale_factor");
    CheckNetCdf(nc_put_att_float(file, radiance, "add_offset", NC_FLOAT, 1, &offset), "add_offset");
    CheckNetCdf(nc_enddef(file), "enddef");
    std::vector<short> counts(24);
    for (std::size_t i = 0; i < counts.size(); ++i) counts[i] = static_cast<short>(i * 170);
    CheckNetCdf(nc_put_var_short(file, radiance, counts.data()), "counts");
    CheckNetCdf(nc_close(file), "close classic seed");
}

// A small bitmap with a gradient, in the given format.
void FillGradient(TExtBitmap& bitmap, TPixelFormat format, int width, int height) {
    bitmap.SetPixelFormat(format);
    bitmap.SetSize(width, height);
    const int bytesPerPixel = bitmap.BitsPerPixel() / 8;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width * bytesPerPixel; ++x)
            bitmap.ScanLine(y)[x] = static_cast<std::uint8_t>(x * 7 + y * 13);
}

// Writes one seed image with an encoder that fills the open file.
template <typename Encode> void WriteImageSeed(const QString& path, Encode&& encode) {
    QFile file(path);
    Check(file.open(QIODevice::WriteOnly) && encode(file).ok(), path);
}

void WriteImageSeeds(const QString& pngFolder, const QString& jpegFolder) {
    TExtBitmap grey;
    FillGradient(grey, TPixelFormat::pf8bit, 19, 11);
    TExtBitmap colour;
    FillGradient(colour, TPixelFormat::pf24bit, 9, 7);
    const auto png = [](const TExtBitmap& bitmap) {
        return
            [&bitmap](QIODevice& file) { return SaveBitmapAsPng(bitmap, file, "a", "d", "s", "t", nullptr); };
    };
    const auto jpeg = [](const TExtBitmap& bitmap, int quality, const char* comment, bool oneChannel) {
        return [=, &bitmap](QIODevice& file) {
            return SaveBitmapAsJpeg(bitmap, file, quality, comment, oneChannel);
        };
    };
    WriteImageSeed(QDir(pngFolder).filePath("grey.png"), png(grey));
    WriteImageSeed(QDir(pngFolder).filePath("colour.png"), png(colour));
    WriteImageSeed(QDir(jpegFolder).filePath("grey.jpg"), jpeg(grey, 90, "comment", false));
    WriteImageSeed(QDir(jpegFolder).filePath("one-channel.jpg"), jpeg(grey, 50, "c", true));
    WriteImageSeed(QDir(jpegFolder).filePath("colour.jpg"), jpeg(colour, 75, "", false));
}

// Writes each seed to a file of its own in the folder, named by its place in the list.
void WriteNumberedSeeds(const QString& folder, const QList<QByteArray>& seeds) {
    for (qsizetype index = 0; index < seeds.size(); ++index) {
        QFile file(QDir(folder).filePath(QString::number(index)));
        const QByteArray& seed = seeds[index];
        Check(file.open(QIODevice::WriteOnly) && file.write(seed) == seed.size() && file.flush(),
              file.fileName() + ": " + file.errorString());
    }
}

void WriteNameSeeds(const QString& folder) {
    static constexpr char kHoldingNul[] = "OR_ABI-L1b-RadF-M6C13_G16_s20250212002045\0_e<script>\\_c.nc";
    const QList<QByteArray> names = {
        "OR_ABI-L1b-RadF-M6C13_G16_s20250212002045_e20250212011353_c20250212011412.nc",
        "/data/received/OR_ABI-L1b-RadF-M3C02_G18_s20172241530196_e20172241540564_c20172241541004.nc",
        "IR_ABI-L2-CMIPF-M4C07_G17_s20191231235959_e20200010009999_c20200010010010.nc",
        "or_abi-l1b-radf-m6c16_g19_s20240601200000_e1_c1.NC",
        "OR_ABI-L1b-RadF-M6CXX_G16_s2025021200204",
        "OR_ABI-L1b-RadF-M6C01_G16_s20253411200205\"\r\nSet-Cookie: a=1\r\n_e_c.nc",
        QByteArray(kHoldingNul, sizeof(kHoldingNul) - 1),
    };
    WriteNumberedSeeds(folder, names);
}

// What a file from a broken downlink says of itself.
AbiCompleteness IncompleteDisk() {
    AbiCompleteness stated;
    stated.gridPixels = 5424 * 5424;
    stated.validPixels = 18'483'126;
    stated.missingPixels = 4'620'782;
    return stated;
}

void WriteReaderMessageSeeds(const QString& folder) {
    const QString fileName = QStringLiteral("/data/received/OR_ABI-L1b-RadF-M6C13_G16_s20250212002045.nc");
    const QList<QByteArray> messages = {
        EncodeReaderRequest(
            {fileName, DecodeAbiFileName(fileName), std::chrono::seconds(30), AbiReadLeniency()}),
        EncodeReaderRequest({QStringLiteral("/media/band 02.nc"), std::nullopt, std::chrono::milliseconds(0),
                             AbiReadLeniency::ForNamedFile()}),
        EncodeReaderAnswer({Status(), 5424, 5424, 5424, -75.2f, IncompleteDisk(), std::nullopt}),
        EncodeReaderAnswer({Status(), 5424, 5424, 5424, -75.2f, AbiCompleteness{},
                            AbiGeolocation{35786023.0,
                                           6378137.0,
                                           6356752.31414,
                                           -75.2,
                                           'x',
                                           {5.6e-05, -0.151844},
                                           {-5.6e-05, 0.151844}}}),
        EncodeReaderAnswer(
            {Failure{FailureCode::DamagedNetCdf, QStringLiteral("HDF error")}, 0, 0, 0, 0, {}, std::nullopt}),
    };
    WriteNumberedSeeds(folder, messages);
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: fuzz_seed_corpus FOLDER\n");
        return 2;
    }
    try {
        const QString root = QFile::decodeName(argv[1]);
        WriteRadianceSeeds(Folder(root, "abi_reader"));
        WriteImageSeeds(Folder(root, "png_loader"), Folder(root, "jpeg_loader"));
        WriteNameSeeds(Folder(root, "abi_file_name"));
        WriteReaderMessageSeeds(Folder(root, "reader_messages"));
    } catch (const std::exception& error) {
        std::fprintf(stderr, "fuzz_seed_corpus: %s\n", error.what());
        return 1;
    }
    return 0;
}
