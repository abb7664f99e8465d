// stratolux-reader: reads one received ABI file for the program, in a process of its own, so that a file
// that crashes, hangs or exhausts the netCDF and HDF5 libraries costs only this process.
//
// The program starts it ahead of its file, so that it loads its libraries while the file settles, and then
// sends the request (which file, see ReaderMessages.h) on standard input, closing it after. Descriptor 3 is
// an empty memory file: the counts are read into it and the grey rows written over them. Descriptor 4 takes
// the answer. Nothing else is written anywhere. Run by hand, it answers only --help and --version.
#pragma once

#include "SharedPixelFile.h"
#include "UniqueFd.h"

class ReaderChild {
public:
    // The process's exit status. Once the file is read and answered for, the process ends at once instead.
    static int Run(int argc, char** argv);

private:
    // Takes over the pixel and answer channels the program opened for this process.
    ReaderChild();
    // Reads the request and its file and answers; returns only when no request came.
    int Serve() const;

    SharedPixelFile pixels_;
    UniqueFd answer_;
};
