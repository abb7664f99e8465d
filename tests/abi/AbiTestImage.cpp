// Small radiance files written through the sample generator's netCDF writer.
#include "AbiTestImage.h"

#include "NcWriter.h"

QString AbiTestName(int band) {
    return QString::asprintf("OR_ABI-L1b-RadF-M6C%02d_G16_s20240021230205_e20240021239513_c20240021239570.nc",
                             band);
}

void WriteCounts(const NcVariable& variable, const std::vector<std::uint16_t>& counts) {
    variable.Write(counts.data());
}

QString WriteAbiTestImage(const AbiTestImage& image, const QString& folder) {
    const QString path = folder + QLatin1Char('/') + AbiTestName(image.band);
    const auto height = static_cast<std::size_t>(image.height);
    const auto width = static_cast<std::size_t>(image.width);
    NcFile file(path);
    const int y = file.DefineDimension("y", height);
    const int x = file.DefineDimension("x", width);
    const NcVariable radiance = file.DefineVariable("Rad", NC_SHORT, {y, x});
    // One chunk for the whole image, as large files are stored in few chunks.
    if (image.compressed) radiance.Compress(std::max(height, width), height, width, 1);
    radiance.Shorts("_FillValue", {image.fillValue});
    radiance.Floats("scale_factor", {image.scaleFactor});
    radiance.Floats("add_offset", {image.addOffset});
    file.DefineVariable("goes_imager_projection", NC_INT)
        .Doubles("longitude_of_projection_origin", {image.longitude});
    WriteCounts(radiance, image.counts);
    file.Close();
    return path;
}
