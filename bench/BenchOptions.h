// The options a benchmark processes with: the program's defaults, its folders under one work folder, every
// band ticked, no pauses, and the build's own reader program.
#pragma once

#include "ProcessingOptions.h"

#include <QDir>

inline ProcessingOptions BenchmarkOptions(const QDir& work) {
    ProcessingOptions options;
    options.sourcePath = work.filePath("received") + "/";
    options.netCdfPath = work.filePath("archive") + "/";
    options.savePath = work.filePath("images") + "/";
    options.bandsSelected.fill(true);
    options.waits = ProcessingWaits::None();
    options.reader.program = READER_PROGRAM;
    return options;
}
