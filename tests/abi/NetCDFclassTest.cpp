// The netCDF dataset object on real files: opening with one retry, closing once, bounded whole-variable
// reads.
#include "NetCDFclass.h"
#include "AbiTestImage.h"
#include "NcWriter.h"

#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <atomic>
#include <gtest/gtest.h>
#include <limits>
#include <optional>
#include <sys/syscall.h>
#include <thread>
#include <unistd.h>

using namespace std::chrono_literals;

namespace {

constexpr auto kRetry = 300ms;

class NetCdfDataset : public testing::Test {
protected:
    // A file whose first variable holds the six counts 1 … 6 as "Rad"(y = 2, x = 3).
    QString WriteCountsFile(const QString& name) {
        const QString path = dir_.filePath(name);
        NcFile file(path);
        const int y = file.DefineDimension("y", 2);
        const int x = file.DefineDimension("x", 3);
        WriteCounts(file.DefineVariable("Rad", NC_SHORT, {y, x}), {1, 2, 3, 4, 5, 6});
        file.Close();
        return path;
    }

    QTemporaryDir dir_;
};

bool DatasetIsOpen(int handle) {
    int dimensions = 0;
    return nc_inq_ndims(handle, &dimensions) == NC_NOERR;
}

// The file behind an open dataset, whatever name the library was given for it; empty for an identifier
// that is not open.
QString FileOf(int handle) {
    std::size_t length = 0;
    if (nc_inq_path(handle, &length, nullptr) != NC_NOERR) return {};
    std::string path(length, '\0');
    nc_inq_path(handle, &length, path.data());
    return QFileInfo(QFile::decodeName(path.c_str())).canonicalFilePath();
}

// True while the thread waits in the kernel's sleep, as an open does between its two tries.
bool Sleeping(pid_t thread) {
    QFile calls(QStringLiteral("/proc/self/task/%1/syscall").arg(thread));
    if (!calls.open(QIODevice::ReadOnly)) return false;
    const long call = calls.readAll().split(' ').value(0).toLong();
    return call == SYS_clock_nanosleep || call == SYS_nanosleep;
}

} // namespace

TEST_F(NetCdfDataset, OpenHoldsOneDatasetAndDestroyClosesIt) {
    const QString first = WriteCountsFile("first.nc");
    const QString second = WriteCountsFile("second.nc");
    int firstHandle = 0;
    int secondHandle = 0;
    {
        TNetCdf dataset(kRetry);
        EXPECT_EQ(dataset.Handle(), 0);
        ASSERT_TRUE(dataset.Open(first));
        firstHandle = dataset.Handle();
        EXPECT_NE(firstHandle, 0);
        EXPECT_EQ(dataset.FileName(), first);

        ASSERT_TRUE(dataset.Open(second));
        secondHandle = dataset.Handle();
        // The library may hand the closed dataset's identifier out again.
        EXPECT_NE(FileOf(firstHandle), QFileInfo(first).canonicalFilePath());
        EXPECT_EQ(FileOf(secondHandle), QFileInfo(second).canonicalFilePath());
        EXPECT_EQ(dataset.FileName(), second);
    }
    EXPECT_FALSE(DatasetIsOpen(secondHandle));
}

TEST_F(NetCdfDataset, MissingFileFailsAfterOneRetryAndClosesNothing) {
    // A dataset opened elsewhere must survive the failed object's destruction.
    int other = 0;
    ASSERT_EQ(nc_open(QFile::encodeName(WriteCountsFile("other.nc")).constData(), NC_NOWRITE, &other),
              NC_NOERR);
    const QString missing = dir_.filePath("missing.nc");
    {
        TNetCdf dataset(kRetry);
        QElapsedTimer timer;
        timer.start();
        const Status opened = dataset.Open(missing);
        ASSERT_FALSE(opened);
        EXPECT_EQ(opened.failure().code, FailureCode::FileVanished);
        EXPECT_GE(timer.elapsed(), kRetry.count()) << "failed without waiting to try again";
        EXPECT_EQ(dataset.FileName(), missing);
        EXPECT_EQ(dataset.Handle(), 0);
    }
    EXPECT_TRUE(DatasetIsOpen(other));
    nc_close(other);
}

TEST_F(NetCdfDataset, FileThatAppearsDuringTheRetryDelayIsOpened) {
    const QString ready = WriteCountsFile("ready.nc");
    const QString target = dir_.filePath("arriving.nc");
    // Long enough for the file to arrive however busy the machine; the open's first try has failed by then.
    TNetCdf dataset(3s);
    std::atomic<pid_t> opener = 0;
    std::optional<Status> opened;
    std::thread opening([&] {
        opener = gettid();
        opened = dataset.Open(target);
    });
    QElapsedTimer waited;
    waited.start();
    while ((opener == 0 || !Sleeping(opener)) && waited.elapsed() < 30000) std::this_thread::yield();
    EXPECT_TRUE(QFile::rename(ready, target));
    opening.join();
    ASSERT_TRUE(opened);
    EXPECT_TRUE(*opened);
    EXPECT_NE(dataset.Handle(), 0);
}

TEST_F(NetCdfDataset, ReadsTheWholeVariableOnlyIntoABufferOfItsSize) {
    TNetCdf dataset(kRetry);
    ASSERT_TRUE(dataset.Open(WriteCountsFile("counts.nc")));
    EXPECT_EQ(dataset.VariableSize(), 6u);

    std::vector<std::uint16_t> exact(6, 0);
    ASSERT_TRUE(dataset.ReadShortData(exact));
    EXPECT_EQ(exact, (std::vector<std::uint16_t>{1, 2, 3, 4, 5, 6}));

    std::vector<std::uint16_t> small(5, 77);
    std::vector<std::uint16_t> large(7, 77);
    EXPECT_FALSE(dataset.ReadShortData(small));
    EXPECT_FALSE(dataset.ReadShortData(large));
    EXPECT_EQ(small, std::vector<std::uint16_t>(5, 77));
    EXPECT_EQ(large, std::vector<std::uint16_t>(7, 77));
}

TEST_F(NetCdfDataset, TextVariablesAndClosedDatasetsAreNotRead) {
    const QString path = dir_.filePath("text.nc");
    {
        NcFile file(path);
        const int length = file.DefineDimension("length", 2);
        file.DefineVariable("name", NC_CHAR, {length});
        file.Close();
    }
    TNetCdf dataset(kRetry);
    EXPECT_EQ(dataset.VariableSize(), std::nullopt);
    ASSERT_TRUE(dataset.Open(path));
    EXPECT_EQ(dataset.VariableSize(), std::nullopt);
    std::vector<std::uint16_t> buffer(2);
    EXPECT_FALSE(dataset.ReadShortData(buffer));
}

TEST_F(NetCdfDataset, SingleValuesAreReadUnlessTheyAreAbsentOrFillValues) {
    const QString path = dir_.filePath("single.nc");
    {
        NcFile file(path);
        const int one = file.DefineDimension("one", 1);
        const int two = file.DefineDimension("two", 2);
        const NcVariable written = file.DefineVariable("written", NC_INT);
        const NcVariable filled = file.DefineVariable("filled", NC_INT);
        filled.Ints("_FillValue", {-1});
        file.DefineVariable("never_written", NC_INT);
        const NcVariable inArray = file.DefineVariable("in_array_of_one", NC_SHORT, {one});
        const NcVariable pair = file.DefineVariable("pair", NC_INT, {two});
        const NcVariable share = file.DefineVariable("share", NC_FLOAT);
        share.Floats("_FillValue", {-999.0f});
        const NcVariable notANumber = file.DefineVariable("not_a_number", NC_FLOAT);
        const NcVariable fraction = file.DefineVariable("fraction", NC_FLOAT);
        file.DefineVariable("text", NC_CHAR);
        file.EndDefinitions();
        const std::int32_t seven = 7, fill = -1;
        const std::int32_t both[2] = {3, 4};
        const std::int16_t five = 5;
        const float quarter = 0.25f, nan = std::numeric_limits<float>::quiet_NaN(), twelveAndAHalf = 12.5f;
        written.Write(&seven);
        filled.Write(&fill);
        inArray.Write(&five);
        pair.Write(both);
        share.Write(&quarter);
        notANumber.Write(&nan);
        fraction.Write(&twelveAndAHalf);
        file.Close();
    }
    TNetCdf dataset(kRetry);
    ASSERT_TRUE(dataset.Open(path));
    EXPECT_EQ(dataset.ReadScalarInteger("written"), 7);
    EXPECT_EQ(dataset.ReadScalarInteger("in_array_of_one"), 5);
    EXPECT_EQ(dataset.ReadScalarInteger("fraction"), 12);
    EXPECT_EQ(dataset.ReadScalarReal("share"), 0.25);
    EXPECT_EQ(dataset.ReadScalarReal("written"), 7.0);
    for (const char* absent : {"filled", "never_written", "pair", "text", "missing"}) {
        EXPECT_EQ(dataset.ReadScalarInteger(absent), std::nullopt) << absent;
        EXPECT_EQ(dataset.ReadScalarReal(absent), std::nullopt) << absent;
    }
    EXPECT_EQ(dataset.ReadScalarReal("not_a_number"), std::nullopt);
}
