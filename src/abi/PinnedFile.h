// A file held open for the netCDF and HDF5 libraries, and a name for it that they take as it stands.
// netCDF rewrites a name as if it were a Windows path before HDF5 opens it (a backslash becomes a folder
// separator) after checking the file under its real name, so a received file whose name holds a backslash
// was looked for elsewhere: "damaged netCDF file (HDF error)" when nothing was there, another file read
// when something was. The libraries are given the name of the descriptor held here instead, which also ties
// every later open to this very file.
#pragma once

#include <QByteArray>
#include <QString>

class PinnedFile {
public:
    PinnedFile() = default;
    ~PinnedFile() { Close(); }
    PinnedFile(const PinnedFile&) = delete;
    PinnedFile& operator=(const PinnedFile&) = delete;

    // Opens the file for reading, closing any file held before: 0, or the errno value.
    int Open(const QString& path);
    void Close();
    // The name under which the libraries open the held file; empty when none is held.
    const QByteArray& LibraryName() const { return libraryName_; }

private:
    int fd_ = -1;
    QByteArray libraryName_;
};
