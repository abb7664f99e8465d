// Counting an ABI file's flags and changing its single values with netCDF-C.
#include "AbiFileTruth.h"

#include <QFile>
#include <cmath>
#include <gtest/gtest.h>
#include <netcdf.h>
#include <vector>

namespace {

// An open dataset, closed when it goes; the test fails when it cannot be opened.
class Dataset {
public:
    Dataset(const QString& path, int mode) {
        const int status = nc_open(QFile::encodeName(path).constData(), mode, &id_);
        EXPECT_EQ(status, NC_NOERR) << nc_strerror(status) << " " << path.toStdString();
        if (status != NC_NOERR) id_ = -1;
    }
    ~Dataset() {
        if (id_ >= 0) {
            EXPECT_EQ(nc_close(id_), NC_NOERR);
        }
    }
    Dataset(const Dataset&) = delete;
    Dataset& operator=(const Dataset&) = delete;

    // -1 when the dataset or the variable is not there.
    int Variable(const char* name) const {
        int variable = -1;
        return id_ >= 0 && nc_inq_varid(id_, name, &variable) == NC_NOERR ? variable : -1;
    }
    int Id() const { return id_; }

private:
    int id_ = -1;
};

} // namespace

double FlagTally::CompletenessPercent() const {
    return std::round(1000.0 * static_cast<double>(valid) / static_cast<double>(valid + missing)) / 10.0;
}

FlagTally CountFlags(const QString& path) {
    const Dataset file(path, NC_NOWRITE);
    const int flags = file.Variable("DQF");
    int dimensions[2] = {};
    size_t height = 0, width = 0;
    if (flags < 0 || nc_inq_vardimid(file.Id(), flags, dimensions) != NC_NOERR ||
        nc_inq_dimlen(file.Id(), dimensions[0], &height) != NC_NOERR ||
        nc_inq_dimlen(file.Id(), dimensions[1], &width) != NC_NOERR) {
        ADD_FAILURE() << "no DQF variable in " << path.toStdString();
        return {};
    }
    // Read as raw 8-bit patterns: the flags are unsigned bytes.
    std::vector<unsigned char> values(height * width);
    EXPECT_EQ(nc_get_var_schar(file.Id(), flags, reinterpret_cast<signed char*>(values.data())), NC_NOERR);
    FlagTally tally;
    for (const unsigned char flag : values) {
        if (flag == 0 || flag == 1) ++tally.valid;
        if (flag == 3) ++tally.missing;
    }
    return tally;
}

void OverwriteCount(const QString& path, const char* variable, int value) {
    const Dataset file(path, NC_WRITE);
    const int id = file.Variable(variable);
    ASSERT_GE(id, 0) << "no variable " << variable;
    ASSERT_EQ(nc_put_var_int(file.Id(), id, &value), NC_NOERR);
}
