// Noting HDF5's errors by walking its error stack as each failing call returns.
#include "Hdf5Errors.h"

#include "NetCDFdeclarations.h"

#include <hdf5.h>
#include <utility>

namespace {

thread_local bool hdf5AllocationFailed = false;

herr_t NoteAllocationFailure(unsigned, const H5E_error2_t* error, void*) {
    if (error->min_num == H5E_NOSPACE || error->min_num == H5E_CANTALLOC) hdf5AllocationFailed = true;
    return 0;
}

herr_t NoteHdf5Failure(hid_t stack, void*) {
    // A walk that fails leaves the failure taken for a damaged file, the safer reading.
    static_cast<void>(H5Ewalk2(stack, H5E_WALK_DOWNWARD, NoteAllocationFailure, nullptr));
    return 0;
}

} // namespace

void NoteHdf5ErrorsInsteadOfPrinting() {
    static_cast<void>(nc_initialize());
    static_cast<void>(H5Eset_auto2(H5E_DEFAULT, NoteHdf5Failure, nullptr));
    hdf5AllocationFailed = false;
}

bool TakeHdf5AllocationFailure() {
    return std::exchange(hdf5AllocationFailed, false);
}
