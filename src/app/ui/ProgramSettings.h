// The settings that have no control on the Setup tab: how long the reader may take, how long files are kept,
// when an image counts as incomplete, whether the source folder is watched, where the web page listens, and
// each band's newest image. They are read and checked here, once, when this is made; a value the store lacks
// is written with its default when this goes, so that the operator finds every one of them in the file.
#pragma once

#include "BackgroundWrites.h"
#include "BandTables.h"
#include "RegistryVariables.h"
#include "Retention.h"
#include "StationWeb.h"

#include <QStringList>
#include <array>
#include <chrono>
#include <memory>

class ProgramSettings {
public:
    ProgramSettings();
    ~ProgramSettings();
    ProgramSettings(const ProgramSettings&) = delete;
    ProgramSettings& operator=(const ProgramSettings&) = delete;

    // A reader still busy this long after it was given its file is stopped.
    std::chrono::milliseconds ReaderAnswerWithin() const;
    RetentionDays Keep() const;
    // An image less complete than this percentage gets a warning; 0 never.
    double IncompleteBelowPercent() const;
    bool WatchSourceFolder() const;
    WebPlace Web() const;

    // The band's newest image, empty before the first.
    QString LastSaved(int band) const;
    // Records the band's newest image; the store is written without the caller waiting for the disk.
    void SetLastSaved(int band, const QString& path);

    // What could not be taken of the stored values, one line each.
    QStringList ReadWarnings() const;

private:
    TRegistryInteger webPort_;
    TRegistryString webAddress_;
    TRegistryInteger readerAnswerMinutes_;
    TRegistryInteger keepImagesDays_;
    TRegistryInteger keepNetCdfDays_;
    TRegistryDecimal incompleteBelowPercent_;
    TRegistryBoolean watchSourceFolder_;
    std::array<std::unique_ptr<TRegistryString>, kBandCount> lastSaved_;
    // Last: the writes posted end before the values they store go.
    BackgroundWrites lastSavedWrites_;
};
