// The life of one received file: size gate, name, satellite and band filters, archive copy, conversion, image
// files, deletion of the source and the notification of the animation program.
#pragma once

#include "DateTime.h"
#include "FileOutcome.h"
#include "ProcessingOptions.h"

#include <QString>
#include <functional>

inline constexpr qint64 kSmallestReceivedFile = 1000;
// A band-2 full disk (21696² pixels) takes 300 to 450 MB; anything beyond this is no radiance file.
inline constexpr qint64 kLargestReceivedFile = 1000000000;

struct OutputPaths;

class FileProcessor {
public:
    // Called when a file of a newer slot arrives while "Clear images" is on.
    std::function<void()> onClearThumbnails;
    // Tells the animation program about a new image (channel, nominal time).
    std::function<void(int, TDateTime)> notify;

    FileProcessor();

    FileOutcome ProcessFile(const QString& sourcePath, const ProcessingOptions& options);

    // The newest nominal time shown since the thumbnails were last cleared.
    TDateTime CycleTime() const { return cycleTime_; }

private:
    // Converts the archive copy (or the source itself) and writes the selected images; false leaves the
    // source.
    bool ConvertAndSave(const QString& readPath, const ProcessingOptions& options, FileOutcome& outcome,
                        TDateTime startTime, TDateTime nominalTime, const OutputPaths& paths);

    TDateTime cycleTime_ = 0;
};
