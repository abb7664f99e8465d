// What the page, the status data and the metrics are made of at one request: the published snapshot, and
// what only the file system knows (each band's image file and the GeoTIFF beside it, the folders' space),
// looked at then.
#pragma once

#include "FolderSpace.h"
#include "StationSnapshot.h"

#include <memory>
#include <optional>
#include <vector>

struct ImageFile {
    QString name;
    QDateTime time; // its modification time, which the program sets to the image's nominal time
    qint64 bytes = 0;
};

struct StationFacts {
    std::shared_ptr<const StationSnapshot> snapshot;
    std::array<std::optional<ImageFile>, kBandCount> images; // none for a band without an image file
    // The GeoTIFF named like the band's image with ".tif"; none when there is no such file.
    std::array<std::optional<ImageFile>, kBandCount> geoTiffs;
    std::vector<FolderReport> folders;
    QDateTime now;
};

StationFacts GatherFacts(std::shared_ptr<const StationSnapshot> snapshot, const ProcessingOptions& options,
                         const QDateTime& now);

// "2025-01-21 20:02:04 UTC"; "–" for a null time.
QString PageTime(const QDateTime& time);
// "2025-01-21T20:02:04Z"
QString IsoTime(const QDateTime& time);
