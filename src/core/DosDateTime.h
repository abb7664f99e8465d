// The packed DOS date-time: date in the high word, time in the low word, two-second resolution.
#pragma once

#include "DateTime.h"

#include <cstdint>
#include <optional>

// Packs Time (seconds truncated to even); years outside 1980..2107 pack as 0.
std::uint32_t PackDosDateTime(TDateTime time);

// The date-time a packed value stands for, or nothing when its fields are no valid date and time.
std::optional<TDateTime> UnpackDosDateTime(std::uint32_t dosDateTime);
