// The times of one full-disk scan as the file name and the time attributes and variables state them.
#pragma once

#include <QDateTime>
#include <QString>

struct AbiScanTimes {
    // UTC, each a whole number of tenths of a second.
    QDateTime start, end, created;
};

// Scan mode 3, 4 or 6 sets how long the full disk takes; the product is created a few seconds after its end.
AbiScanTimes ScanTimesFor(const QDateTime& start, int scanMode);

// "yyyyDDDhhmmss" followed by the tenth of a second, as in file names (DDD: day of the year).
QString FileNameTime(const QDateTime& time);
// "2017-02-28T03:40:31.6Z", as in the global attributes.
QString AttributeTime(const QDateTime& time);
// Seconds since 2000-01-01 12:00:00 UTC.
double J2000Seconds(const QDateTime& time);
