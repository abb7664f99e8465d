// What processing one received file came to, as the scan reports it.
#pragma once

#include "AbiCompleteness.h"
#include "AbiFileName.h"
#include "BandTables.h"
#include "DateTime.h"
#include "Failure.h"
#include "SourceFile.h"

#include <QImage>
#include <QMetaType>
#include <QString>
#include <optional>
#include <vector>

// Why a source file was deleted without being processed.
enum class SkipReason { None, BandNotSelected };

struct FileOutcome {
    QString sourcePath;
    std::optional<AbiFileInfo> name; // the decoded file name; none when it does not decode
    // The file as it was listed; none when it could not be examined (gone, a link). A file that fails again
    // with the same identity is the same failure reported again.
    std::optional<FileIdentity> identity;
    qint64 sizeBytes = 0;
    // Why the file was not processed; it then stays for the next scan, unless skipReason says it was deleted.
    std::optional<Failure> failure;
    SkipReason skipReason = SkipReason::None;
    QString imagePath;   // the image written last; empty when none
    float longitude = 0; // of the projection origin, degrees east
    // How whole the image is, as its file says, and whether that is below IncompleteBelowPercent.
    AbiCompleteness completeness;
    bool incomplete = false;
    TDateTime nominalTime = 0; // set once an image is written
    // Processed, or skipped, but the source could not be deleted (and why).
    std::optional<Failure> sourceNotDeleted;
    // A file named on the command line that was to be archived, but could not be copied (and why).
    std::optional<Failure> notArchived;
    // Files the program meant to remove (its hidden read copy, an image of a format no longer ticked) that
    // stay, and why.
    std::vector<Failure> notRemoved;
    // The saved image read back and reduced for its thumbnail; null in single-file mode and when unreadable.
    QImage thumbnail;

    bool Processed() const { return !failure && skipReason == SkipReason::None && !imagePath.isEmpty(); }
    SatelliteCode Satellite() const { return name ? name->satellite : 0; }
    std::uint8_t BandIndex() const { return name ? name->bandIndex : 0; }
};

Q_DECLARE_METATYPE(FileOutcome)
