// What processing one received file came to, as the scan reports it.
#pragma once

#include "BandTables.h"
#include "DateTime.h"

#include <QImage>
#include <QMetaType>
#include <QString>
#include <cstdint>

// Why a source file was deleted without being processed.
enum class SkipReason { None, TooLarge, BandNotSelected };

struct FileOutcome {
    QString sourcePath;
    qint64 sizeBytes = 0; // as listed before processing
    bool success = false; // read and taken through the saving steps
    QString imagePath;    // the image written last; empty when none
    SatelliteCode satellite = 0;
    std::uint8_t bandIndex = 0;
    float longitude = 0; // of the projection origin, degrees east
    TDateTime nominalTime = 0;
    SkipReason skipReason = SkipReason::None;
    QImage thumbnail; // the saved image read back and reduced for its thumbnail; null when unreadable

    // Only a file with an image to show counts as processed.
    bool Processed() const { return success && !imagePath.isEmpty(); }
};

Q_DECLARE_METATYPE(FileOutcome)
