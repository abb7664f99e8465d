// Where the archive copy and the images of one received file go, and what they are called.
#pragma once

#include "AbiFileName.h"
#include "BandTables.h"
#include "DateTime.h"
#include "ProcessingOptions.h"

#include <QDate>
#include <QString>
#include <optional>

struct OutputPaths {
    QString netCdfFolder; // the archive folder, with the dated sub-folder when asked
    QString imageFolder;  // the image folder, likewise
    QString copyPath;     // the archive copy of the received file
    QString readCopyPath; // the hidden copy that is read: the archive copy once read whole, else removed
    QString pngPath;
    QString jpegPath;
    QString geoTiffPath;
};

// The hidden name of the copy that is read: a copy left by a killed run, or of a file that turned out
// damaged, is then never taken for an archived file.
QString ReadCopyName(const QString& receivedName);

// "yyyy/mm/dd/" of the scan start.
QString DatedSubFolder(TDateTime startTime);

// "202401021230-g16-b13": start time, satellite tag and lower-case band code.
QString ShortImageBaseName(TDateTime startTime, SatelliteCode satellite, bool save19As16, int bandIndex);

// The paths for the received file of that name.
OutputPaths DeriveOutputPaths(const ProcessingOptions& options, const QString& fileName,
                              const AbiFileInfo& name);

// What the program writes under a file name (without its folder), recognised from the name alone: an image
// under a short name or under a received file's name with ".png", ".jpg" or ".tif", or an archived received
// file (OR_ABI-L1b-RadF-….nc).
enum class OutputKind { Other, Image, ArchivedFile };
OutputKind OutputKindOf(const QString& name);

// The scan start (seconds dropped) that an image's name gives: a short name's own, or that of the received
// name it was made from; none for a name that is not an image's.
std::optional<TDateTime> ImageScanStart(const QString& name);

// The kind of a name that an instance processing that satellite writes: short image names with its tag
// ("g16-" for GOES-19 saved as GOES-16), received names with its satellite field ("_G19_"); Other for the
// names of every other satellite.
OutputKind OwnOutputKindOf(const QString& name, SatelliteCode satellite, bool save19As16);

// A name of the program's own hidden files: the temporary file of an output (".<output>.partial", see
// TemporaryNameFor) or a read copy (ReadCopyName), or the temporary file of one.
bool IsLeftoverName(const QString& name);

// The first day of the period that a level of the dated sub-folders covers: "2025" (a year), "2025/01" (a
// month) or "2025/01/21" (a day), written as DatedSubFolder writes them; none for any other path.
std::optional<QDate> DatedFolderStart(const QString& relativePath);
