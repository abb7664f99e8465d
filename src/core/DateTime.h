// TDateTime: days since 1899-12-30 00:00 with the time of day as the fraction, always UTC.
#pragma once

#include <cstdint>

class QDateTime;
class QChar;
class QString;

using TDateTime = double;

struct DateTimeParts {
    int year = 1899, month = 12, day = 30;
    int hour = 0, minute = 0, second = 0, millisecond = 0;
};

// Days from 1899-12-30 to 1970-01-01.
inline constexpr TDateTime kUnixEpochAsDateTime = 25569.0;
inline constexpr double kMillisecondsPerDay = 86400000.0;

TDateTime EncodeDateTime(const DateTimeParts& parts);
DateTimeParts DecodeDateTime(TDateTime time);

// Milliseconds since 1970-01-01 00:00 UTC, and back.
TDateTime DateTimeFromUnixMs(std::int64_t unixMs);
std::int64_t UnixMsFromDateTime(TDateTime time);

TDateTime DateTimeFromQDateTime(const QDateTime& time);
QDateTime QDateTimeFromDateTime(TDateTime time);

// Formats a time by a pattern of yyyy, mm (month), dd, hh, nn (minute), ss and zzz; ":" stands for the
// locale's time separator, text in double quotes is literal, everything else is copied as it stands.
QString FormatDateTime(const QString& pattern, TDateTime time);

// The time separator of the user's locale (":" where the locale does not say otherwise).
QChar LocaleTimeSeparator();
