// The chunk-parallel read of deflated radiance counts on real netCDF-4 files: every layout of its filters
// read exactly, edge chunks included; every chunk that is not exactly what its filters make refused with
// the chunk named; every storage it does not handle left to the library.
#include "DeflatedChunks.h"
#include "FailureAssertions.h"
#include "StoredChunks.h"

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
    int endianness = NC_ENDIAN_NATIVE;
    ChunkRead expected = ChunkRead::Done;
};

constexpr std::size_t kRows = 50, kColumns = 70; // chunks of 16 × 32 leave partial chunks at both edges
constexpr std::size_t kChunkBytes = 16 * 32 * 2;
// What no read writes: a value left unwritten shows.
constexpr std::uint16_t kUnwritten = 0xdead;

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
    Check(nc_def_var_endian(file, variable, storage.endianness));
    Check(nc_put_var(file, variable, counts.data()));
    Check(nc_close(file));
}

Result<ChunkRead> Read(const QString& path, std::vector<std::uint16_t>& values, const char* name = "Rad") {
    return ReadDeflatedShortChunks(QFile::encodeName(path), name, values);
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

Bytes Half(const Bytes& bytes) {
    return Bytes(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(bytes.size() / 2));
}

Bytes Extended(Bytes bytes, std::size_t more) {
    bytes.resize(bytes.size() + more, 0x37);
    return bytes;
}

QString DamagedChunk(int row, int column, const QString& detail) {
    return QStringLiteral("damaged netCDF file (Rad chunk at row %1, column %2 %3)")
        .arg(row)
        .arg(column)
        .arg(detail);
}

class DeflatedChunks : public testing::Test {
protected:
    // A file of Counts() stored as the storage says; the undamaged copy is kept.
    QString Write(const QString& name, const Storage& storage) {
        const QString path = dir_.filePath(name + ".nc");
        WriteFile(path, storage, counts_);
        return path;
    }

    QTemporaryDir dir_;
    const std::vector<std::uint16_t> counts_ = Counts();
};

} // namespace

TEST_F(DeflatedChunks, EveryLayoutOfItsFiltersReadsExactlyAndOtherStorageIsLeftToTheLibrary) {
    const Storage storages[] = {
        {"shuffled and deflated"},
        {"deflated alone", NC_SHORT, true, false},
        {"shuffled alone", NC_SHORT, true, true, false},
        {"no filter", NC_SHORT, true, false, false},
        // The library runs the checksum first, then shuffles it with the values.
        {"with checksums", NC_SHORT, true, true, true, true},
        {"checksums and deflate", NC_SHORT, true, false, true, true},
        {"checksums alone", NC_SHORT, true, false, false, true},
        {"big-endian", NC_SHORT, true, true, true, false, NC_ENDIAN_BIG},
        {"big-endian unshuffled", NC_SHORT, true, false, true, false, NC_ENDIAN_BIG},
        {"contiguous", NC_SHORT, false, false, false, false, NC_ENDIAN_NATIVE, ChunkRead::LeftToLibrary},
        {"unsigned", NC_USHORT, true, true, true, false, NC_ENDIAN_NATIVE, ChunkRead::LeftToLibrary},
    };
    for (const Storage& storage : storages) {
        SCOPED_TRACE(storage.name);
        const QString path = Write(storage.name, storage);
        std::vector<std::uint16_t> values(counts_.size(), kUnwritten);
        const Result<ChunkRead> read = Read(path, values);
        ASSERT_TRUE(read) << read.failure().message.toStdString();
        EXPECT_EQ(*read, storage.expected);
        if (storage.expected == ChunkRead::Done) {
            EXPECT_EQ(values, counts_);
        }
    }
}

TEST_F(DeflatedChunks, ChunkStoredWithoutItsDeflateReadsExactly) {
    const QString path = Write("deflate skipped", {"shuffled and deflated"});
    // The shuffle runs first, then the deflate: bit 1 of the mask says the deflate was not run.
    for (const auto& [row, column] : {std::pair{16, 32}, std::pair{48, 64}}) {
        const StoredChunk stored = ReadStoredChunk(path, "/Rad", row, column);
        ASSERT_TRUE(
            ReplaceStoredChunk(path, "/Rad", row, column, {ZlibInflated(stored.bytes, kChunkBytes), 2}));
    }
    std::vector<std::uint16_t> values(counts_.size(), kUnwritten);
    const Result<ChunkRead> read = Read(path, values);
    ASSERT_TRUE(read) << read.failure().message.toStdString();
    EXPECT_EQ(*read, ChunkRead::Done);
    EXPECT_EQ(values, counts_);
}

TEST_F(DeflatedChunks, ChunkThatIsNotExactlyWhatItsFiltersMakeFailsTheFileNamingIt) {
    const QString undamaged = Write("undamaged", {"shuffled and deflated"});
    const Bytes stored = ReadStoredChunk(undamaged, "/Rad", 16, 32).bytes;
    const Bytes shuffled = ZlibInflated(stored, kChunkBytes);
    ASSERT_FALSE(shuffled.empty());
    // The edge chunk holds 2 rows and 6 columns of values; it is stored whole all the same.
    const Bytes edge = ZlibInflated(ReadStoredChunk(undamaged, "/Rad", 48, 64).bytes, kChunkBytes);
    ASSERT_FALSE(edge.empty());
    const Bytes bomb = ZlibZeros(std::uint64_t{2} << 30);
    ASSERT_GT(bomb.size(), 2000000u);

    struct Damage {
        const char* name;
        int row, column;
        StoredChunk chunk;
        QString detail;
    };
    const Damage damages[] = {
        {"short", 16, 32, {ZlibDeflated(Half(shuffled))}, "inflates to 512 bytes, not 1024"},
        {"short edge", 48, 64, {ZlibDeflated(Half(edge))}, "inflates to 512 bytes, not 1024"},
        {"long", 16, 32, {ZlibDeflated(Extended(shuffled, 1))}, "inflates to more than 1024 bytes"},
        {"long edge", 48, 64, {ZlibDeflated(Extended(edge, 100))}, "inflates to more than 1024 bytes"},
        {"data after its stream", 16, 32, {Extended(stored, 3)}, "has 3 bytes after its compressed data"},
        {"not deflated", 16, 32, {shuffled}, "holds compressed data that cannot be inflated"},
        {"short with its deflate skipped", 16, 32, {Half(shuffled), 2}, "holds 512 bytes, not 1024"},
        {"long with its deflate skipped", 16, 32, {Extended(shuffled, 2), 2}, "holds 1026 bytes, not 1024"},
        {"megabyte bomb", 16, 32, {ZlibZeros(1u << 20)}, "inflates to more than 1024 bytes"},
        {"two-gibibyte bomb",
         16,
         32,
         {bomb},
         QStringLiteral("is stored in %1 bytes, more than 1024 bytes of data can take").arg(bomb.size())},
    };
    for (const Damage& damage : damages) {
        SCOPED_TRACE(damage.name);
        const QString path = Write(damage.name, {"shuffled and deflated"});
        ASSERT_TRUE(ReplaceStoredChunk(path, "/Rad", damage.row, damage.column, damage.chunk));
        std::vector<std::uint16_t> values(counts_.size());
        EXPECT_TRUE(FailedWith(Read(path, values).status(), FailureCode::DamagedNetCdf,
                               DamagedChunk(damage.row, damage.column, damage.detail)));
    }

    const QString overwritten = Write("overwritten", {"shuffled and deflated"});
    DamageFirstChunk(overwritten);
    std::vector<std::uint16_t> values(counts_.size());
    EXPECT_TRUE(FailedWithReasonStarting(Read(overwritten, values).status(), FailureCode::DamagedNetCdf,
                                         "damaged netCDF file (Rad chunk at row 0, column 0 "));
}

TEST_F(DeflatedChunks, ChunkFailingItsChecksumFailsTheFile) {
    const Storage checksummed{"with checksums", NC_SHORT, true, true, true, true};
    const QString undamaged = Write("undamaged", checksummed);
    const StoredChunk stored = ReadStoredChunk(undamaged, "/Rad", 16, 32);
    // Shuffled values and checksum, one value's low byte changed.
    Bytes changed = ZlibInflated(stored.bytes, kChunkBytes + 4);
    ASSERT_FALSE(changed.empty());
    changed[100] ^= 1;
    const QString path = Write("changed", checksummed);
    ASSERT_TRUE(ReplaceStoredChunk(path, "/Rad", 16, 32, {ZlibDeflated(changed)}));
    std::vector<std::uint16_t> values(counts_.size());
    EXPECT_TRUE(FailedWith(Read(path, values).status(), FailureCode::DamagedNetCdf,
                           DamagedChunk(16, 32, "fails its checksum")));

    // The checksum's own filter cannot run on fewer bytes than it adds.
    const Storage checksumsAlone{"checksums alone", NC_SHORT, true, false, false, true};
    const QString cut = Write("cut", checksumsAlone);
    ASSERT_TRUE(ReplaceStoredChunk(cut, "/Rad", 16, 32, {Bytes{1, 2, 3}}));
    EXPECT_TRUE(FailedWith(Read(cut, values).status(), FailureCode::DamagedNetCdf,
                           DamagedChunk(16, 32, "is too short for its checksum")));
}

TEST_F(DeflatedChunks, WrongSizeOrMissingVariableIsLeftToTheLibrary) {
    const QString path = Write("shuffled and deflated", {"shuffled and deflated"});
    std::vector<std::uint16_t> tooSmall(counts_.size() - 1);
    EXPECT_EQ(*Read(path, tooSmall), ChunkRead::LeftToLibrary);
    EXPECT_EQ(*Read(path, tooSmall, "Missing"), ChunkRead::LeftToLibrary);
}
