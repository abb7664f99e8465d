// One dataset of a netCDF-4 file opened through HDF5 itself, for what the netCDF library does not tell or
// does slowly. Each identifier is closed with its own kind of close call.
#pragma once

#include <QByteArray>
#include <hdf5.h>
#include <optional>

template <herr_t (*CloseFunction)(hid_t)> class Hdf5Id {
public:
    explicit Hdf5Id(hid_t id) : id_(id) {}
    ~Hdf5Id() {
        if (id_ >= 0) CloseFunction(id_);
    }
    Hdf5Id(Hdf5Id&& other) noexcept : id_(other.id_) { other.id_ = -1; }
    Hdf5Id(const Hdf5Id&) = delete;
    Hdf5Id& operator=(const Hdf5Id&) = delete;
    Hdf5Id& operator=(Hdf5Id&&) = delete;

    bool valid() const { return id_ >= 0; }
    hid_t get() const { return id_; }

private:
    hid_t id_;
};

struct Hdf5Dataset {
    Hdf5Id<H5Fclose> file;
    Hdf5Id<H5Dclose> dataset;
};

// The dataset behind the netCDF variable of that name; none when HDF5 cannot open the file or finds no such
// dataset.
std::optional<Hdf5Dataset> OpenHdf5Dataset(const QByteArray& filePath, const QByteArray& variableName);
