// Starting the reader's helper program and collecting its answer, with every way it can go wrong as a reason.
#pragma once

#include "Failure.h"

#include <QByteArray>
#include <QStringList>
#include <chrono>

class SharedPixelFile;

// Runs the program with the pixel file as its descriptor 3 and a pipe as its descriptor 4 (standard input
// and output on /dev/null, nothing else inherited) and gives what it wrote to the pipe, once it has ended
// normally. A crash, no end within `within` (the process is then killed), a failed start or an exit
// without an answer fail with ReaderCrashed, ReaderTimedOut or ReaderFailed.
Result<QByteArray> RunReaderProcess(const QString& program, const QStringList& arguments,
                                    const SharedPixelFile& pixels, std::chrono::milliseconds within);
