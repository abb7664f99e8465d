// Band and satellite name tables.
#include "BandTables.h"

#include <QStringList>

const BandTable BandCode = {
    QStringLiteral("B01"), QStringLiteral("B02"), QStringLiteral("B03"), QStringLiteral("B04"),
    QStringLiteral("B05"), QStringLiteral("B06"), QStringLiteral("B07"), QStringLiteral("B08"),
    QStringLiteral("B09"), QStringLiteral("B10"), QStringLiteral("B11"), QStringLiteral("B12"),
    QStringLiteral("B13"), QStringLiteral("B14"), QStringLiteral("B15"), QStringLiteral("B16"),
};

const BandTable BandCaption = {
    QStringLiteral("0.47 \u00B5m  blue"),     QStringLiteral("0.64 \u00B5m  red"),
    QStringLiteral("0.86 \u00B5m  veggie"),   QStringLiteral("1.37 \u00B5m  cirrus"),
    QStringLiteral("1.6 \u00B5m  snow/ice"),  QStringLiteral("2.2 \u00B5m  cld.ps"),
    QStringLiteral("3.9 \u00B5m  SW IR"),     QStringLiteral("6.2 \u00B5m  WV upper"),
    QStringLiteral("6.9 \u00B5m  WV mid"),    QStringLiteral("7.3 \u00B5m  VW lower"),
    QStringLiteral("8.4 \u00B5m  cld.tp.ph"), QStringLiteral("9.6 \u00B5m  ozone"),
    QStringLiteral("10.3 \u00B5m  thermal"),  QStringLiteral("11.2 \u00B5m  LW IR"),
    QStringLiteral("12.3 \u00B5m  LW IR"),    QStringLiteral("13.3 \u00B5m  CO2"),
};

const BandTable BandHint = {
    QStringLiteral("0.47 \u00B5m  blue"),
    QStringLiteral("0.64 \u00B5m  red"),
    QStringLiteral("0.86 \u00B5m  vegetation"),
    QStringLiteral("1.37 \u00B5m  cirrus"),
    QStringLiteral("1.6 \u00B5m  snow/ice"),
    QStringLiteral("2.2 \u00B5m  cloud particle size"),
    QStringLiteral("3.9 \u00B5m  shortwave IR window"),
    QStringLiteral("6.2 \u00B5m  upper-level tropospheric water vapour"),
    QStringLiteral("6.9 \u00B5m  mid-level tropospheric water vapour"),
    QStringLiteral("7.3 \u00B5m  lower-level water vapour"),
    QStringLiteral("8.4 \u00B5m  cloud-top phase"),
    QStringLiteral("9.6 \u00B5m  ozone"),
    QStringLiteral("10.3 \u00B5m \"clean\" thermal"),
    QStringLiteral("11.2 \u00B5m  long-wave IR"),
    QStringLiteral("12.3 \u00B5m  \"dirty\" thermal"),
    QStringLiteral("13.3 \u00B5m  CO2"),
};

namespace {

bool Known(SatelliteCode code) {
    return code >= 1 && code <= kSatelliteCount;
}

QString SatelliteNumber(SatelliteCode code) {
    return QString::number(15 + code);
}

} // namespace

QString SatelliteName(SatelliteCode code) {
    return Known(code) ? QStringLiteral("GOES-") + SatelliteNumber(code) : QString();
}

QString SatelliteFileField(SatelliteCode code) {
    return Known(code) ? QStringLiteral("G") + SatelliteNumber(code) : QString();
}

QString SatelliteStatusLabel(SatelliteCode code) {
    return Known(code) ? SatelliteName(code) : QStringLiteral("(unknown)");
}

QString SatelliteShortTag(SatelliteCode code, bool saveG19AsG16) {
    if (!Known(code)) return QStringLiteral("!unknown!-");
    if (code == 4 && saveG19AsG16) return QStringLiteral("g16-");
    return QStringLiteral("g") + SatelliteNumber(code) + QStringLiteral("-");
}

QString SatelliteMaskField(const QString& itemText) {
    return itemText.mid(0, 1) + itemText.mid(5, 2);
}

QString BandLabelCaption(int bandIndex) {
    return QString::asprintf("B%.2d:  ", bandIndex + 1) + BandCaption.at(bandIndex);
}

int AnimationChannel(SatelliteCode code, int bandIndex) {
    const bool secondSeries = code == 2 || code == 3;
    return (secondSeries ? 125 : 107) + bandIndex;
}
