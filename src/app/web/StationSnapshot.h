// What the station's web page shows, as one value that is never changed once published: the window's
// caption and state, the newest image of each band and how whole it is, the last lines of the log, the files
// that stay in the source folder and the counts of files since the program started.
#pragma once

#include "AbiCompleteness.h"
#include "BandTables.h"

#include <QByteArray>
#include <QDateTime>
#include <QImage>
#include <QList>
#include <QMap>
#include <QString>
#include <array>

inline constexpr int kPageLogLines = 200;

struct BandImage {
    QString path;     // the band's LastSaved: the image the program recorded last; empty when none
    QString hint;     // the Images tab's tooltip for it
    QImage thumbnail; // the Images tab's picture; null while it is blank
    QByteArray view;  // the image reduced for a browser (ReducedView.h), as JPEG; empty until made
    // How whole the image is, as its file said; nothing is known of an image of an earlier run.
    AbiCompleteness completeness;
    bool incomplete = false; // below IncompleteBelowPercent when it was processed
    // The received file's scan mode (1, 2, 3 for mode digits 3, 4, 6), known when this run processed it;
    // 0 when not known.
    std::uint8_t scanMode = 0;
};

struct LogEntry {
    QString line; // stamp and text
    bool failure = false;
};

// A received file that failed, or was processed but could not be deleted, and so stays for the next scan.
struct StayingFile {
    QString reason;
    QDateTime since; // when it was first reported
};

struct FileCounts {
    qint64 processed = 0;
    qint64 failed = 0;
    qint64 skipped = 0;    // deleted unread: a band that is not ticked
    qint64 incomplete = 0; // processed into an image below IncompleteBelowPercent
};

struct StationSnapshot {
    QString caption; // the window's
    QString instance;
    QString version;
    QDateTime started; // times are UTC
    bool running = false;
    bool scanning = false;
    QDateTime lastScanStart, lastScanEnd; // null until a scan has run
    QDateTime nextScan;                   // null when none is planned
    QDateTime lastProcessed;              // when a received file last became an image; null until one has
    std::array<BandImage, kBandCount> bands;
    QList<LogEntry> log;                // the newest kPageLogLines, oldest first
    QMap<QString, StayingFile> staying; // by the file's path
    FileCounts counts;

    // "scanning", "running" (processing is on, the next scan waits) or "idle" (processing is off).
    QString State() const {
        return scanning  ? QStringLiteral("scanning")
               : running ? QStringLiteral("running")
                         : QStringLiteral("idle");
    }
};
