// The options that processing reads, as one immutable value handed to the worker when each file starts.
#pragma once

#include "BandTables.h"
#include "ProcessingWaits.h"
#include "ReaderProcessSettings.h"
#include "Retention.h"

#include <QString>
#include <array>

struct ProcessingOptions {
    QString sourcePath; // folders end with a separator; empty means "not set"
    QString netCdfPath;
    QString savePath;
    int satelliteItem = 0;             // 0 = GOES-16 … 3 = GOES-19
    QString satelliteName = "GOES-16"; // the selected item's text
    std::array<bool, kBandCount> bandsSelected{};
    bool saveAsNetCdf = false;
    bool saveAsJpeg = true;
    bool saveAsJpegLow = false;
    bool saveAsPng = false;
    bool saveAsGeoTiff = false; // beside a PNG or JPEG
    bool save19As16 = true;
    bool datesInFolders = true;
    bool clearImages = false;
    bool shortImageNames = true;
    bool singleFileMode = false;
    // Scan as soon as files are closed in the source folder, beside the 50 s cycle.
    bool watchSourceFolder = false;
    QString singleFilePath; // the first command-line argument in single-file mode
    ProcessingWaits waits;
    ReaderProcessSettings reader;
    RetentionDays keep;
    // An image less complete than this percentage is reported as incomplete; 0 never.
    double incompleteBelowPercent = 99.0;
    std::array<QString, kBandCount> lastSaved; // each band's newest image, as the settings hold it
};
