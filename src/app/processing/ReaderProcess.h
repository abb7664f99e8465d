// Reads a received ABI file in a process of its own (the helper program stratolux-reader), one per file, so
// that no file's content can crash, hang or exhaust the program: such a file fails with its reason instead.
// The grey rows come back in shared memory and become the bitmap's pixels without a copy.
#pragma once

#include "Failure.h"

#include <QString>
#include <chrono>

class TExtBitmap;

struct ReaderProcessSettings {
    // The helper program; empty for the installed one: beside the running program, else in
    // ../libexec/stratolux/ from there.
    QString program;
    // A reader still busy after this long is stopped and the file fails.
    std::chrono::milliseconds answerWithin = std::chrono::minutes(10);
};

// As ReadAbiImage, with the reader in its own process: the bitmap and longitude are set only on success.
Status ReadAbiImageIsolated(const QString& fileName, TExtBitmap& bitmap, float& longitude,
                            bool singleFileMode, std::chrono::milliseconds retryOpen,
                            const ReaderProcessSettings& reader);

QString InstalledReaderProgram();
