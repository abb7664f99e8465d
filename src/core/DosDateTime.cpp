// Packing and unpacking of DOS date-times.
#include "DosDateTime.h"

#include <chrono>

namespace {

constexpr int kFirstDosYear = 1980;
constexpr int kLastDosYear = 2107;

} // namespace

std::uint32_t PackDosDateTime(TDateTime time) {
    const DateTimeParts p = DecodeDateTime(time);
    if (p.year < kFirstDosYear || p.year > kLastDosYear) return 0;
    const std::uint32_t date = (p.year - kFirstDosYear) * 512 + p.month * 32 + p.day;
    const std::uint32_t timeOfDay = p.hour * 2048 + p.minute * 32 + p.second / 2;
    return date << 16 | timeOfDay;
}

std::optional<TDateTime> UnpackDosDateTime(std::uint32_t dosDateTime) {
    const std::uint32_t date = dosDateTime >> 16;
    const std::uint32_t timeOfDay = dosDateTime & 0xFFFF;
    DateTimeParts p;
    p.year = kFirstDosYear + static_cast<int>(date >> 9);
    p.month = static_cast<int>(date >> 5 & 0x0F);
    p.day = static_cast<int>(date & 0x1F);
    p.hour = static_cast<int>(timeOfDay >> 11);
    p.minute = static_cast<int>(timeOfDay >> 5 & 0x3F);
    p.second = static_cast<int>(timeOfDay & 0x1F) * 2;

    const std::chrono::year_month_day ymd{std::chrono::year{p.year},
                                          std::chrono::month{static_cast<unsigned>(p.month)},
                                          std::chrono::day{static_cast<unsigned>(p.day)}};
    if (!ymd.ok() || p.hour > 23 || p.minute > 59 || p.second > 59) return std::nullopt;
    return EncodeDateTime(p);
}
