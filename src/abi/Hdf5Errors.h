// What HDF5 reports when a call fails, on each thread that makes calls: noted, not printed, and memory that
// ran out told apart from a damaged file.
#pragma once

// HDF5 would print every error to stderr, and lookups of optional attributes fail routinely, so a worker
// thread would fill the log with them: errors are noted instead of printed. The setting belongs to each
// thread, and netCDF clears it for the thread that first uses it, so netCDF is set up first.
void NoteHdf5ErrorsInsteadOfPrinting();

// Whether an HDF5 call that failed on this thread since the last look ran out of memory; netCDF reports that
// as a mere HDF error, as if the file were damaged.
bool TakeHdf5AllocationFailure();
