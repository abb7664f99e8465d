// Reads a received ABI file in a process of its own (the helper program stratolux-reader), one per file, so
// that no file's content can crash, hang or exhaust the program: such a file fails with its reason instead.
// The grey rows come back in shared memory and become the bitmap's pixels without a copy.
#pragma once

#include "AbiCompleteness.h"
#include "AbiGeolocation.h"
#include "AbiReadRequest.h"
#include "Failure.h"
#include "ReaderProcessSettings.h"

#include <QString>
#include <chrono>
#include <memory>

class TExtBitmap;

// One reader's process, started before its file is known, so that loading its libraries costs the
// conversion no time when it overlaps a wait. It reads one file, or ends unused with the object.
class ReaderProcess {
public:
    static Result<ReaderProcess> Start(const ReaderProcessSettings& settings);

    ~ReaderProcess();
    ReaderProcess(ReaderProcess&&) noexcept;
    ReaderProcess& operator=(ReaderProcess&&) noexcept;

    // As ReadAbiImage, in the started process: the bitmap, the longitude, how whole the image is and the
    // geolocation (when asked for) are set only on success.
    Status Read(const AbiReadRequest& request, TExtBitmap& bitmap, float& longitude,
                AbiCompleteness& completeness, std::optional<AbiGeolocation>* geolocation = nullptr);

private:
    // The pixel memory and the process it was handed to.
    struct Started;
    explicit ReaderProcess(std::unique_ptr<Started> started);

    std::unique_ptr<Started> started_;
};

// Starts a reader and reads the file in it at once, without the completeness.
Status ReadAbiImageIsolated(const AbiReadRequest& request, TExtBitmap& bitmap, float& longitude,
                            const ReaderProcessSettings& reader,
                            std::optional<AbiGeolocation>* geolocation = nullptr);

QString InstalledReaderProgram();
