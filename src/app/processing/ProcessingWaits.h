// The blocking pauses of file processing; tests shorten them, the program always uses the defaults.
#pragma once

#include "Utils.h"

#include <chrono>

struct ProcessingWaits {
    // Before a copied file is read, so the copy has settled on disk; a received file that changes meanwhile
    // is still being written.
    std::chrono::milliseconds beforeRead{1800};
    // Before the second and last attempt to open a dataset.
    std::chrono::milliseconds retryOpen{900};
    // Before a file that is still being written is looked at again.
    std::chrono::milliseconds busyFile{3000};
    // A received file modified within this long is taken as still being written.
    std::chrono::milliseconds settling{kSettlingTime};

    // No pause at all, and every file settled at once: for tests and benchmarks that process files they
    // have just written.
    static constexpr ProcessingWaits None() {
        using std::chrono::milliseconds;
        return {milliseconds(0), milliseconds(0), milliseconds(0), milliseconds(0)};
    }
};
