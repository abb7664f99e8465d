// The fixed names of the sixteen ABI bands and of the four satellites, and the animation channel numbers.
#pragma once

#include <QString>
#include <array>
#include <cstdint>

inline constexpr int kBandCount = 16;
// Bands with an index below this are visible and near-infrared; the rest are infrared.
inline constexpr int kFirstInfraredBand = 6;

using BandTable = std::array<QString, kBandCount>;

extern const BandTable BandCode;
extern const BandTable BandCaption;
extern const BandTable BandHint;

// 1 = GOES-16 … 4 = GOES-19, 0 = none.
using SatelliteCode = std::uint8_t;
inline constexpr SatelliteCode kSatelliteCount = 4;

// The Setup item text of a satellite ("GOES-16"); empty for 0 or an unknown code.
QString SatelliteName(SatelliteCode code);
// The satellite field of received file names ("G16"); empty for 0 or an unknown code.
QString SatelliteFileField(SatelliteCode code);
// The satellite as the status bar names it; "(unknown)" for 0.
QString SatelliteStatusLabel(SatelliteCode code);
// The satellite tag that starts a short image name ("g16-"); GOES-19 saved as GOES-16 when asked.
QString SatelliteShortTag(SatelliteCode code, bool saveG19AsG16);
// The satellite field of the scan mask, built from a Setup item text: its 1st, 6th and 7th characters.
QString SatelliteMaskField(const QString& itemText);

// "B01:  0.47 µm  blue": the caption of a band's thumbnail label.
QString BandLabelCaption(int bandIndex);

// The animation program's channel number of a band of a satellite.
int AnimationChannel(SatelliteCode code, int bandIndex);
