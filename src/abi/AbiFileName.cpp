// Decoding of ABI file names by fixed character positions.
#include "AbiFileName.h"

#include <QFileInfo>
#include <QStringList>
#include <algorithm>
#include <cmath>

namespace {

// Field positions count from 0 here: the band number is characters 20 and 21 counting from 1.
constexpr qsizetype kModeDigit = 17;
constexpr qsizetype kChannelLetter = 18;
constexpr qsizetype kBandField = 19;
constexpr qsizetype kSatelliteField = 22;
constexpr qsizetype kStartLetter = 26;
constexpr qsizetype kYearField = 27;
constexpr qsizetype kDayField = 31;
constexpr qsizetype kHourField = 34;
constexpr qsizetype kMinuteField = 36;
constexpr qsizetype kStartFieldLength = 14;

const QStringList kFullDiskPrefixes = {QStringLiteral("OR_ABI-L1B-RADF-"),
                                       QStringLiteral("IR_ABI-L2-CMIPF-")};

QString UpperBaseName(const QString& fileName) {
    return QFileInfo(fileName).fileName().toUpper();
}

// C0 and C1 controls and DEL: a name that holds one could break a log line or a header it is put into.
bool HoldsControlCharacter(const QString& name) {
    return std::any_of(name.cbegin(), name.cend(),
                       [](QChar c) { return c.category() == QChar::Other_Control; });
}

bool HasFullDiskPrefix(const QString& name, const QString& suffix = {}) {
    for (const QString& prefix : kFullDiskPrefixes)
        if (name.startsWith(prefix + suffix)) return true;
    return false;
}

// The decimal number in name[position … position + length − 1]; none unless every character is a digit.
std::optional<int> NumberField(const QString& name, qsizetype position, qsizetype length) {
    if (name.size() < position + length) return std::nullopt;
    int value = 0;
    for (const QChar c : QStringView(name).mid(position, length)) {
        if (c < u'0' || c > u'9') return std::nullopt;
        value = value * 10 + (c.unicode() - u'0');
    }
    return value;
}

bool HasLetter(const QString& name, qsizetype position, char16_t letter) {
    return name.size() > position && name[position] == letter;
}

std::uint8_t ScanModeOf(const QString& name) {
    switch (name.size() > kModeDigit ? name[kModeDigit].unicode() : 0) {
    case u'3':
        return 1;
    case u'4':
        return 2;
    case u'6':
        return 3;
    default:
        return 0;
    }
}

SatelliteCode SatelliteOf(const QString& name) {
    const QString field = name.mid(kSatelliteField, 3);
    for (SatelliteCode code = 1; code <= kSatelliteCount; ++code)
        if (field == SatelliteFileField(code)) return code;
    return 0;
}

// A slot starts 8/35 of its length before its nominal time, so the offset is added before flooring; the sum
// is formed in extended precision.
TDateTime NominalTimeOf(TDateTime startTime, std::uint8_t scanMode) {
    const bool tenMinuteSlots = scanMode == 3;
    const long double slotsPerDay = tenMinuteSlots ? 144 : 96;
    const long double lead = tenMinuteSlots ? 1.0L / 630 : 1.0L / 420;
    return static_cast<TDateTime>(std::floor((startTime + lead) * slotsPerDay) / slotsPerDay);
}

} // namespace

std::optional<AbiFileInfo> DecodeAbiFileName(const QString& fileName) {
    const QString name = UpperBaseName(fileName);
    if (!HasFullDiskPrefix(name) || HoldsControlCharacter(name)) return std::nullopt;
    AbiFileInfo info;
    info.scanMode = ScanModeOf(name);
    info.satellite = SatelliteOf(name);
    if (info.satellite == 0) return std::nullopt;
    if (!HasLetter(name, kChannelLetter, u'C')) return std::nullopt;
    const int band = NumberField(name, kBandField, 2).value_or(0);
    if (band < 1 || band > kBandCount) return std::nullopt;
    info.bandIndex = static_cast<std::uint8_t>(band - 1);
    if (!HasLetter(name, kStartLetter, u'S')) return std::nullopt;

    const auto year = NumberField(name, kYearField, 4);
    const auto dayOfYear = NumberField(name, kDayField, 3);
    const auto hour = NumberField(name, kHourField, 2);
    const auto minute = NumberField(name, kMinuteField, 2);
    if (!year || !dayOfYear || !hour || !minute || *year < 1 || *hour > 23 || *minute > 59)
        return std::nullopt;
    info.startTime = EncodeDateTime({.year = *year, .month = 1, .day = 1, .hour = *hour, .minute = *minute}) +
                     (*dayOfYear - 1);
    info.nominalTime = NominalTimeOf(info.startTime, info.scanMode);
    info.startField = name.mid(kYearField, kStartFieldLength);
    return info;
}

std::optional<std::uint8_t> BandIndexFromAbiName(const QString& fileName) {
    const QString name = UpperBaseName(fileName);
    if (!HasFullDiskPrefix(name, QStringLiteral("M"))) return std::nullopt;
    return static_cast<std::uint8_t>(NumberField(name, kBandField, 2).value_or(0) - 1);
}
