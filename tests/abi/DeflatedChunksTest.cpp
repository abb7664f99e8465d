// The chunk-parallel read of deflated radiance counts on real netCDF-4 files: the same values as the netCDF
// library reads, and every storage it does not handle left to the library.
#include "DeflatedChunks.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <hdf5.h>
#include <netcdf.h>
#include <vector>

namespace {

struct Storage {
    const char* name;
    nc_type type = NC_SHORT;
    bool chunked = true;
    bool shuffle = true;
    bool deflate = true;
    bool fletcher32 = false;
    ChunkRead expected = ChunkRead::Done;
};

constexpr std::size_t kRows = 50, kColumns = 70; // chunks of 16 × 32 leave partial chunks at both edges

std::vector<std::uint16_t> Counts() {
    std::vector<std::uint16_t> counts(kRows * kColumns);
    std::uint32_t state = 12345;
    for (auto& count : counts) {
        state = state * 1103515245u + 12345u;
        count = static_cast<std::uint16_t>(state >> 16); // every bit pattern, the sign bit included
    }
    return counts;
}

void Check(int status) {
    ASSERT_EQ(status, NC_NOERR) << nc_strerror(status);
}

void WriteFile(const QString& path, const Storage& storage, const std::vector<std::uint16_t>& counts) {
    int file = 0, y = 0, x = 0, variable = 0;
    Check(nc_create(QFile::encodeName(path).constData(), NC_NETCDF4 | NC_CLOBBER, &file));
    Check(nc_def_dim(file, "y", kRows, &y));
    Check(nc_def_dim(file, "x", kColumns, &x));
    const int dimensions[2] = {y, x};
    Check(nc_def_var(file, "Rad", storage.type, 2, dimensions, &variable));
    const std::size_t chunk[2] = {16, 32};
    Check(nc_def_var_chunking(file, variable, storage.chunked ? NC_CHUNKED : NC_CONTIGUOUS, chunk));
    if (storage.shuffle || storage.deflate)
        Check(nc_def_var_deflate(file, variable, storage.shuffle, storage.deflate, 1));
    if (storage.fletcher32) Check(nc_def_var_fletcher32(file, variable, NC_FLETCHER32));
    Check(nc_put_var(file, variable, counts.data()));
    Check(nc_close(file));
}

// Overwrites the middle of the first chunk's stored bytes.
void DamageFirstChunk(const QString& path) {
    hsize_t origin[2] = {0, 0};
    haddr_t address = 0;
    hsize_t size = 0;
    unsigned mask = 0;
    {
        const hid_t file = H5Fopen(QFile::encodeName(path).constData(), H5F_ACC_RDONLY, H5P_DEFAULT);
        const hid_t dataset = H5Dopen2(file, "/Rad", H5P_DEFAULT);
        ASSERT_GE(H5Dget_chunk_info_by_coord(dataset, origin, &mask, &address, &size), 0);
        H5Dclose(dataset);
        H5Fclose(file);
    }
    QFile damaged(path);
    ASSERT_TRUE(damaged.open(QIODevice::ReadWrite));
    ASSERT_TRUE(damaged.seek(static_cast<qint64>(address + size / 2)));
    ASSERT_EQ(damaged.write(QByteArray(8, '\x5a')), 8);
}

} // namespace

TEST(DeflatedChunks, ReadsWhatTheLibraryReadsAndLeavesOtherStorageToIt) {
    const Storage storages[] = {
        {"shuffled and deflated"},
        {"deflated alone", NC_SHORT, true, false},
        {"shuffled alone", NC_SHORT, true, true, false, false, ChunkRead::LeftToLibrary},
        {"with checksums", NC_SHORT, true, true, true, true, ChunkRead::LeftToLibrary},
        {"contiguous", NC_SHORT, false, false, false, false, ChunkRead::LeftToLibrary},
        {"unsigned", NC_USHORT, true, true, true, false, ChunkRead::LeftToLibrary},
    };
    QTemporaryDir dir;
    const auto counts = Counts();
    for (const Storage& storage : storages) {
        SCOPED_TRACE(storage.name);
        const QString path = dir.filePath(QString::fromUtf8(storage.name) + ".nc");
        WriteFile(path, storage, counts);
        std::vector<std::uint16_t> values(counts.size());
        EXPECT_EQ(ReadDeflatedShortChunks(QFile::encodeName(path), "Rad", values), storage.expected);
        if (storage.expected == ChunkRead::Done) {
            EXPECT_EQ(values, counts);
        }
    }
}

TEST(DeflatedChunks, DamagedChunkOrWrongSizeIsLeftToTheLibrary) {
    QTemporaryDir dir;
    const QString path = dir.filePath("damaged.nc");
    const auto counts = Counts();
    WriteFile(path, {"shuffled and deflated"}, counts);
    std::vector<std::uint16_t> tooSmall(counts.size() - 1);
    EXPECT_EQ(ReadDeflatedShortChunks(QFile::encodeName(path), "Rad", tooSmall), ChunkRead::LeftToLibrary);
    EXPECT_EQ(ReadDeflatedShortChunks(QFile::encodeName(path), "Missing", tooSmall),
              ChunkRead::LeftToLibrary);

    DamageFirstChunk(path);
    std::vector<std::uint16_t> values(counts.size());
    EXPECT_EQ(ReadDeflatedShortChunks(QFile::encodeName(path), "Rad", values), ChunkRead::LeftToLibrary);
}
