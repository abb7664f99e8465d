#include "Hdf5Dataset.h"

namespace {

std::optional<Hdf5Id<H5Dclose>> OpenDatasetAt(hid_t file, const QByteArray& path) {
    if (H5Lexists(file, path.constData(), H5P_DEFAULT) <= 0) return std::nullopt;
    Hdf5Id<H5Dclose> dataset(H5Dopen2(file, path.constData(), H5P_DEFAULT));
    if (!dataset.valid()) return std::nullopt;
    return dataset;
}

} // namespace

std::optional<Hdf5Dataset> OpenHdf5Dataset(const QByteArray& filePath, const QByteArray& variableName) {
    Hdf5Id<H5Fclose> file(H5Fopen(filePath.constData(), H5F_ACC_RDONLY, H5P_DEFAULT));
    if (!file.valid()) return std::nullopt;
    // A variable named like a dimension that it does not describe is stored under another name.
    for (const char* prefix : {"/", "/_nc4_non_coord_"}) {
        if (auto dataset = OpenDatasetAt(file.get(), prefix + variableName))
            return Hdf5Dataset{std::move(file), std::move(*dataset)};
    }
    return std::nullopt;
}
