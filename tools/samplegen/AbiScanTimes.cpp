// Scan start, end and creation times and their text forms.
#include "AbiScanTimes.h"

namespace {

constexpr qint64 kTenth = 100; // ms
constexpr qint64 kProductLatency = 5900;

qint64 ScanDurationMs(int scanMode) {
    switch (scanMode) {
    case 3:
        return 646800; // full disk every 15 minutes
    case 4:
        return 299600; // full disk only, every 5 minutes
    default:
        return 570800; // mode 6: full disk every 10 minutes
    }
}

QDateTime RoundedToTenth(const QDateTime& time) {
    const qint64 ms = time.toMSecsSinceEpoch();
    const qint64 tenths = (ms + (ms >= 0 ? kTenth / 2 : -kTenth / 2)) / kTenth;
    return QDateTime::fromMSecsSinceEpoch(tenths * kTenth, Qt::UTC);
}

int Tenth(const QDateTime& time) {
    return time.time().msec() / kTenth;
}

} // namespace

AbiScanTimes ScanTimesFor(const QDateTime& start, int scanMode) {
    AbiScanTimes times;
    times.start = RoundedToTenth(start);
    times.end = times.start.addMSecs(ScanDurationMs(scanMode));
    times.created = times.end.addMSecs(kProductLatency);
    return times;
}

QString FileNameTime(const QDateTime& time) {
    const QDateTime utc = time.toUTC();
    return QString::asprintf("%04d%03d", utc.date().year(), utc.date().dayOfYear()) +
           utc.toString(QStringLiteral("HHmmss")) + QString::number(Tenth(utc));
}

QString AttributeTime(const QDateTime& time) {
    const QDateTime utc = time.toUTC();
    return utc.toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss.")) + QString::number(Tenth(utc)) +
           QLatin1Char('Z');
}

double J2000Seconds(const QDateTime& time) {
    static const QDateTime epoch(QDate(2000, 1, 1), QTime(12, 0), Qt::UTC);
    return static_cast<double>(epoch.msecsTo(time)) / 1000.0;
}
