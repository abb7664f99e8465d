// File-name decoding: fields at fixed positions, strict numbers, and the schedule slot of a scan.
#include "AbiFileName.h"

#include <gtest/gtest.h>

namespace {

// The decoded fields, all zero when the name does not decode.
struct Decoded {
    bool ok = false;
    SatelliteCode satellite = 0;
    std::uint8_t band = 0;
    TDateTime start = 0;
    TDateTime nominal = 0;
    std::uint8_t mode = 0;
    QString startField;
};

Decoded Decode(const QString& name) {
    const std::optional<AbiFileInfo> info = DecodeAbiFileName(name);
    if (!info) return {};
    return {true,           info->satellite, info->bandIndex, info->startTime, info->nominalTime,
            info->scanMode, info->startField};
}

// A mode-6 GOES-16 band-13 name with the given start field (yyyydddhhnn).
QString NameStarting(const QString& start, QChar mode = u'6') {
    return QStringLiteral("OR_ABI-L1b-RadF-M") + mode + QStringLiteral("C13_G16_s") + start +
           QStringLiteral("205_e20240021239513_c20240021239570.nc");
}

TDateTime At(int year, int month, int day, int hour, int minute) {
    return EncodeDateTime({.year = year, .month = month, .day = day, .hour = hour, .minute = minute});
}

} // namespace

TEST(DecodeAbiFileName, ReadsEveryField) {
    const Decoded d = Decode("/data/in/" + NameStarting("20240021230"));
    ASSERT_TRUE(d.ok);
    EXPECT_EQ(d.satellite, 1);
    EXPECT_EQ(d.band, 12);
    EXPECT_EQ(d.mode, 3);
    EXPECT_DOUBLE_EQ(d.start, At(2024, 1, 2, 12, 30));
    EXPECT_DOUBLE_EQ(d.nominal, At(2024, 1, 2, 12, 30));

    const Decoded cloud = Decode("IR_ABI-L2-CMIPF-M3C01_G19_s20251021200204.nc");
    ASSERT_TRUE(cloud.ok);
    EXPECT_EQ(cloud.satellite, 4);
    EXPECT_EQ(cloud.band, 0);
    EXPECT_EQ(cloud.mode, 1);
}

TEST(DecodeAbiFileName, TenMinuteSlotsInModeSix) {
    EXPECT_DOUBLE_EQ(Decode(NameStarting("20240021238")).nominal, At(2024, 1, 2, 12, 40));
    EXPECT_DOUBLE_EQ(Decode(NameStarting("20240021237")).nominal, At(2024, 1, 2, 12, 30));
    EXPECT_DOUBLE_EQ(Decode(NameStarting("20240021239")).nominal, At(2024, 1, 2, 12, 40));
    EXPECT_DOUBLE_EQ(Decode(NameStarting("20240022358")).nominal, At(2024, 1, 3, 0, 0));
}

TEST(DecodeAbiFileName, FifteenMinuteSlotsInOtherModes) {
    for (const QChar mode : {u'3', u'4', u'X'}) {
        EXPECT_DOUBLE_EQ(Decode(NameStarting("20240021242", mode)).nominal, At(2024, 1, 2, 12, 45))
            << int(mode.unicode());
        EXPECT_DOUBLE_EQ(Decode(NameStarting("20240021241", mode)).nominal, At(2024, 1, 2, 12, 30))
            << int(mode.unicode());
    }
    EXPECT_EQ(Decode(NameStarting("20240021241", u'4')).mode, 2);
    const Decoded unknownMode = Decode(NameStarting("20240021241", u'X'));
    EXPECT_TRUE(unknownMode.ok);
    EXPECT_EQ(unknownMode.mode, 0);
}

TEST(DecodeAbiFileName, DayOfYearIsCountedFromTheFirstOfJanuary) {
    EXPECT_DOUBLE_EQ(Decode(NameStarting("20250010000")).start, At(2025, 1, 1, 0, 0));
    EXPECT_DOUBLE_EQ(Decode(NameStarting("20240601015")).start, At(2024, 2, 29, 10, 15));
    EXPECT_DOUBLE_EQ(Decode(NameStarting("20253660000")).start, At(2026, 1, 1, 0, 0));
    EXPECT_DOUBLE_EQ(Decode(NameStarting("20250000000")).start, At(2024, 12, 31, 0, 0));
}

TEST(DecodeAbiFileName, LowerCaseNamesDecodeLikeUpperCase) {
    const Decoded lower = Decode(NameStarting("20240021238").toLower());
    const Decoded upper = Decode(NameStarting("20240021238").toUpper());
    ASSERT_TRUE(lower.ok);
    EXPECT_DOUBLE_EQ(lower.nominal, upper.nominal);
    EXPECT_EQ(lower.band, upper.band);
    EXPECT_EQ(lower.satellite, upper.satellite);
}

TEST(DecodeAbiFileName, RejectsMalformedFields) {
    const QString good = NameStarting("20240021230");
    const auto with = [&](int position, const QString& text) {
        return QString(good).replace(position - 1, text.size(), text);
    };
    EXPECT_TRUE(Decode(good).ok);
    EXPECT_FALSE(Decode(with(20, "00")).ok);
    EXPECT_FALSE(Decode(with(20, "17")).ok);
    EXPECT_FALSE(Decode(with(20, "1A")).ok);
    EXPECT_FALSE(Decode(with(20, " 1")).ok);
    EXPECT_FALSE(Decode(with(23, "G20")).ok);
    EXPECT_FALSE(Decode(with(19, "X")).ok);
    EXPECT_FALSE(Decode(with(27, "T")).ok);
    EXPECT_FALSE(Decode(with(1, "XR")).ok);
    EXPECT_FALSE(Decode("OR_ABI-L1b-RadC-M6C13_G16_s20240021230205.nc").ok);
    EXPECT_FALSE(Decode(with(28, "0000")).ok);
    EXPECT_FALSE(Decode(with(28, "+024")).ok);
    EXPECT_FALSE(Decode(with(32, "0-2")).ok);
    EXPECT_FALSE(Decode(with(35, "24")).ok);
    EXPECT_FALSE(Decode(with(37, "60")).ok);
    EXPECT_FALSE(Decode(good.left(37)).ok);
    EXPECT_TRUE(Decode(good.left(38)).ok);
    EXPECT_TRUE(Decode(with(28, "9999")).ok);
    EXPECT_TRUE(Decode(with(17, "?")).ok);
}

TEST(DecodeAbiFileName, KeepsTheWholeStartFieldForTheScanOrder) {
    EXPECT_EQ(Decode("/in/" + NameStarting("20240021230")).startField, "20240021230205");
    EXPECT_EQ(Decode(NameStarting("20240021230").left(40)).startField, "2024002123020");
}

TEST(BandIndexFromAbiName, TakesTheBandFieldOfEitherPrefix) {
    EXPECT_EQ(BandIndexFromAbiName("/x/OR_ABI-L1b-RadF-M6C02_G18_s2024.nc"), 1);
    EXPECT_EQ(BandIndexFromAbiName("OR_ABI-L1b-RadF-M6C07_G16_s2024.nc"), 6);
    EXPECT_EQ(BandIndexFromAbiName("or_abi-l1b-radf-m6c16_g16_s2024.nc"), 15);
    EXPECT_EQ(BandIndexFromAbiName("IR_ABI-L2-CMIPF-M6C13_G16_s2024.nc"), 12);
    EXPECT_EQ(BandIndexFromAbiName("OR_ABI-L1b-RadF-M6CXY_G16_s2024.nc"), 255);
    EXPECT_EQ(BandIndexFromAbiName("copy-OR_ABI-L1b-RadF-M6C07_G16_s2024.nc"), std::nullopt);
    EXPECT_EQ(BandIndexFromAbiName("OR_ABI-L1b-RadC-M6C07_G16_s2024.nc"), std::nullopt);
}

TEST(DecodeAbiFileName, NameHoldingAControlCharacterIsNotAnAbiName) {
    const QString good = NameStarting("20240021230");
    ASSERT_TRUE(Decode(good).ok);
    // C0 controls, DEL and C1 controls, each where no field is read (the seconds of the start, the end
    // time, the very end) and where one is.
    std::vector<char16_t> controls = {0x7f};
    for (char16_t c = 0x00; c <= 0x1f; ++c) controls.push_back(c);
    for (char16_t c = 0x80; c <= 0x9f; ++c) controls.push_back(c);
    for (const char16_t control : controls) {
        for (const qsizetype position : {39, 43, 60, 75}) {
            QString name = good;
            name[position] = QChar(control);
            EXPECT_FALSE(Decode(name).ok)
                << "U+" << std::hex << int(control) << " at " << std::dec << position;
        }
        EXPECT_FALSE(Decode(good + QChar(control)).ok) << "U+" << std::hex << int(control) << " at the end";
    }
    // A name made to carry a header into a reply.
    EXPECT_FALSE(
        Decode("OR_ABI-L1b-RadF-M6C01_G16_s20253411200205\"\r\nSet-Cookie: pwned=1\r\nX-Evil: \"_e_c.nc").ok);
    // Printable neighbours of the controls are only characters of a name.
    for (const char16_t printable : {u' ', u'~', u'\u00a0', u'\u00ff'}) {
        QString name = good;
        name[43] = QChar(printable);
        EXPECT_TRUE(Decode(name).ok) << "U+" << std::hex << int(printable);
    }
}
