// What the page, the status data and the metrics are made of at one request: the published snapshot, the
// ticked bands, and what only the file system knows (each band's image file and the GeoTIFF beside it, the
// folders' space and state, the files waiting in the source folder), looked at then, with the health judged
// from them.
#pragma once

#include "FolderCheck.h"
#include "FolderSpace.h"
#include "StationHealth.h"
#include "StationSnapshot.h"

#include <memory>
#include <optional>
#include <vector>

struct ImageFile {
    QString name;
    QDateTime time; // its modification time, which the program sets to the image's nominal time
    qint64 bytes = 0;
};

// What a band image's name, and the received file it was made from, tell of its scan.
struct ImageScan {
    QDateTime start;       // UTC, whole minutes, as the short image names write it; null when not known
    int cycleMinutes = 10; // how often a full disk comes in the scan's mode: 15 in modes 3 and 4, else 10
};

ImageScan ScanOf(const BandImage& image);

struct StationFacts {
    std::shared_ptr<const StationSnapshot> snapshot;
    std::array<std::optional<ImageFile>, kBandCount> images; // none for a band without an image file
    // The GeoTIFF named like the band's image with ".tif"; none when there is no such file.
    std::array<std::optional<ImageFile>, kBandCount> geoTiffs;
    std::vector<FolderReport> folders;
    QDateTime now;
    std::array<bool, kBandCount> ticked{};
    std::array<ImageScan, kBandCount> scans;
    std::vector<FolderWarning> folderProblems; // as Start reports them
    qsizetype waitingFiles = 0;                // of the selected satellite in the source folder, not staying
    HealthVerdict health;
};

// When the band's newest image was scanned: its scan start, or its nominal time when its name does not give
// the start; null when the band has no image file.
QDateTime ScannedAt(const StationFacts& facts, int band);

StationFacts GatherFacts(std::shared_ptr<const StationSnapshot> snapshot, const ProcessingOptions& options,
                         const QDateTime& now);

// "2025-01-21 20:02:04 UTC"; "–" for a null time.
QString PageTime(const QDateTime& time);
// "2025-01-21T20:02:04Z"
QString IsoTime(const QDateTime& time);
// "12 min ago", "3 h ago", "2 days ago": how long before now the time was.
QString AgeText(const QDateTime& time, const QDateTime& now);
// "12.0 kB"
QString DataSize(qint64 bytes);
