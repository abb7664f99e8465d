// What a run that was killed leaves behind in the image and netCDF folders: the hidden temporary files of the
// images and archive copies it was writing (".<name>.partial") and the hidden copies it reads when no archive
// copy is kept (".<received name>.reading"). Removed at Start, when they are older than it; only these names
// of the program's own, never a symbolic link, never in the source folder.
#pragma once

#include "Failure.h"
#include "LogLine.h"

#include <QDateTime>
#include <QString>
#include <QStringList>
#include <vector>

struct LeftoverOutcome {
    int filesRemoved = 0;
    qint64 bytesRemoved = 0;
    std::vector<Failure> failures; // what could not be removed, and why
};

// Sweeps each folder and its dated sub-folders for leftovers changed before `before`.
LeftoverOutcome RemoveLeftovers(const QStringList& folders, const QString& sourceFolder,
                                const QDateTime& before);

// "Removed 2 files left by an earlier run (31.2 MB)", a warning when some could not be removed; none when
// there was nothing to remove.
std::optional<LogLine> LeftoverLine(const LeftoverOutcome& outcome);
