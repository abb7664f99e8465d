// Reads a received ABI file in a process of its own (the helper program stratolux-reader), one per file, so
// that no file's content can crash, hang or exhaust the program: such a file fails with its reason instead.
// The grey rows come back in shared memory and become the bitmap's pixels without a copy.
#pragma once

#include "Failure.h"
#include "SpawnedReader.h"
#include "SharedPixelFile.h"

#include <QString>
#include <chrono>

class TExtBitmap;

struct ReaderProcessSettings {
    // The helper program; empty for the installed one: beside the running program, else in
    // ../libexec/stratolux/ from there.
    QString program;
    // A reader still busy this long after it was given its file is stopped and the file fails.
    std::chrono::milliseconds answerWithin = std::chrono::minutes(10);
};

// The bound for a number of minutes stored in the settings: the default for a number below 1, at most a day.
std::chrono::milliseconds ReaderAnswerBound(int storedMinutes);

// One reader's process, started before its file is known, so that loading its libraries costs the
// conversion no time when it overlaps a wait. It reads one file, or ends unused with the object.
class ReaderProcess {
public:
    static Result<ReaderProcess> Start(const ReaderProcessSettings& settings);

    // As ReadAbiImage, in the started process: the bitmap and longitude are set only on success.
    Status Read(const QString& fileName, bool singleFileMode, std::chrono::milliseconds retryOpen,
                TExtBitmap& bitmap, float& longitude);

private:
    ReaderProcess(SharedPixelFile pixels, SpawnedReader child, std::chrono::milliseconds answerWithin);

    SharedPixelFile pixels_;
    SpawnedReader child_;
    std::chrono::milliseconds answerWithin_;
};

// Starts a reader and reads the file in it at once.
Status ReadAbiImageIsolated(const QString& fileName, TExtBitmap& bitmap, float& longitude,
                            bool singleFileMode, std::chrono::milliseconds retryOpen,
                            const ReaderProcessSettings& reader);

QString InstalledReaderProgram();
