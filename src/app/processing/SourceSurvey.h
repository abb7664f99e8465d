// What lies in the source folder that no scan looks at: netCDF files of other satellites, netCDF files that
// are not full-disk radiance files, and names that are not valid UTF-8. A wrong satellite setting must not
// look like "nothing arrives".
#pragma once

#include "BandTables.h"
#include "LogLine.h"
#include "ProcessingOptions.h"

#include <QMap>
#include <QString>
#include <QStringList>

struct SourceSurvey {
    QMap<SatelliteCode, int> otherSatellites; // full-disk radiance files of each other satellite
    int notFullDisk = 0;                      // other .nc names: CONUS, mesoscale, other products
    QString notFullDiskExample;
    QStringList undecodableNames; // with every byte outside printable ASCII escaped as \xHH

    // The same kinds of file: the survey is said again only when these change, not at every new file.
    bool SameKindsAs(const SourceSurvey& other) const;
};

// Looks through the source folder (not its sub-folders); an unset or missing folder holds nothing.
SourceSurvey SurveySourceFolder(const ProcessingOptions& options);

// "Source folder holds 12 files of GOES-18; GOES-16 is selected", and one line for each other kind.
QList<LogLine> SurveyLines(const SourceSurvey& survey, const ProcessingOptions& options);

// Platform part: the raw names of the folder's entries that end in ".nc" in any case.
QList<QByteArray> NetCdfNamesIn(const QString& folder);
