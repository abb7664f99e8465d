// Retention as the scans run it: once after each scan's files, over the files of the selected satellite,
// sparing every band's newest image in each format, with its outcome worded for the log and each notice said
// once while it holds.
#pragma once

#include "BandTables.h"
#include "LogLine.h"
#include "ProcessingOptions.h"

#include <QDateTime>
#include <QStringList>
#include <array>

class RetentionRun {
public:
    // The image that has just become the band's LastSaved, which the options may not show yet.
    void NoteSaved(int band, const QString& imagePath);
    // Sweeps by the options' keep rules; the lines for the log, none when there is nothing new to say.
    QList<LogLine> AfterScan(const ProcessingOptions& options, const QDateTime& now);

private:
    std::array<QString, kBandCount> savedThisRun_;
    QStringList notices_; // as last said
};
