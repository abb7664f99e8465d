// Conversions between TDateTime, calendar fields, Unix milliseconds and QDateTime.
#include "DateTime.h"

#include <QDateTime>
#include <QLocale>
#include <QRegularExpression>
#include <QString>
#include <chrono>
#include <cmath>

namespace {

using std::chrono::days;
using std::chrono::sys_days;

constexpr std::int64_t kMsPerDay = 86400000;

// Day count of 1899-12-30 relative to the Unix epoch.
constexpr std::int64_t kDaysBeforeUnixEpoch = 25569;

} // namespace

TDateTime EncodeDateTime(const DateTimeParts& p) {
    const auto date = std::chrono::year{p.year} / std::chrono::month{static_cast<unsigned>(p.month)} /
                      std::chrono::day{static_cast<unsigned>(p.day)};
    const double dayNumber =
        static_cast<double>(sys_days{date}.time_since_epoch().count() + kDaysBeforeUnixEpoch);
    const double msOfDay = ((p.hour * 60.0 + p.minute) * 60.0 + p.second) * 1000.0 + p.millisecond;
    return dayNumber + msOfDay / kMillisecondsPerDay;
}

DateTimeParts DecodeDateTime(TDateTime time) {
    const std::int64_t unixMs = UnixMsFromDateTime(time);
    std::int64_t dayCount = unixMs / kMsPerDay;
    std::int64_t msOfDay = unixMs % kMsPerDay;
    if (msOfDay < 0) {
        msOfDay += kMsPerDay;
        --dayCount;
    }
    const std::chrono::year_month_day ymd{sys_days{days{dayCount}}};
    DateTimeParts p;
    p.year = static_cast<int>(ymd.year());
    p.month = static_cast<int>(static_cast<unsigned>(ymd.month()));
    p.day = static_cast<int>(static_cast<unsigned>(ymd.day()));
    p.hour = static_cast<int>(msOfDay / 3600000);
    p.minute = static_cast<int>(msOfDay / 60000 % 60);
    p.second = static_cast<int>(msOfDay / 1000 % 60);
    p.millisecond = static_cast<int>(msOfDay % 1000);
    return p;
}

TDateTime DateTimeFromUnixMs(std::int64_t unixMs) {
    return kUnixEpochAsDateTime + static_cast<double>(unixMs) / kMillisecondsPerDay;
}

std::int64_t UnixMsFromDateTime(TDateTime time) {
    return std::llround((time - kUnixEpochAsDateTime) * kMillisecondsPerDay);
}

TDateTime DateTimeFromQDateTime(const QDateTime& time) {
    return DateTimeFromUnixMs(time.toMSecsSinceEpoch());
}

QDateTime QDateTimeFromDateTime(TDateTime time) {
    return QDateTime::fromMSecsSinceEpoch(UnixMsFromDateTime(time), Qt::UTC);
}

QChar LocaleTimeSeparator() {
    // The locale gives no separator of its own; take the first character between the hour and minute fields.
    static const QChar separator = [] {
        const QString format = QLocale::system().timeFormat(QLocale::ShortFormat);
        const QRegularExpressionMatch match = QRegularExpression("[hH]+([^hHm]+)m").match(format);
        return match.hasMatch() && match.captured(1).size() == 1 ? match.captured(1).at(0) : QChar(':');
    }();
    return separator;
}

QString FormatDateTime(const QString& pattern, TDateTime time) {
    const DateTimeParts p = DecodeDateTime(time);
    const auto field = [](int value, int width) { return QString::number(value).rightJustified(width, '0'); };
    QString out;
    out.reserve(pattern.size() + 8);
    for (qsizetype i = 0; i < pattern.size();) {
        const QStringView rest = QStringView(pattern).mid(i);
        if (rest.startsWith(u"yyyy")) {
            out += field(p.year, 4);
            i += 4;
        } else if (rest.startsWith(u"zzz")) {
            out += field(p.millisecond, 3);
            i += 3;
        } else if (rest.startsWith(u"mm") || rest.startsWith(u"dd") || rest.startsWith(u"hh") ||
                   rest.startsWith(u"nn") || rest.startsWith(u"ss")) {
            const char16_t c = rest.at(0).unicode();
            const int value = c == u'm'   ? p.month
                              : c == u'd' ? p.day
                              : c == u'h' ? p.hour
                              : c == u'n' ? p.minute
                                          : p.second;
            out += field(value, 2);
            i += 2;
        } else if (rest.at(0) == u'"') {
            const qsizetype end = pattern.indexOf(u'"', i + 1);
            const qsizetype stop = end < 0 ? pattern.size() : end;
            out += QStringView(pattern).mid(i + 1, stop - i - 1);
            i = stop + 1;
        } else if (rest.at(0) == u':') {
            out += LocaleTimeSeparator();
            ++i;
        } else {
            out += rest.at(0);
            ++i;
        }
    }
    return out;
}
