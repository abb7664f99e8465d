// The reader's settings as stored.
#include "ReaderProcessSettings.h"

#include <algorithm>

std::chrono::milliseconds ReaderAnswerBound(int storedMinutes) {
    constexpr std::chrono::minutes kDay = std::chrono::hours(24);
    if (storedMinutes < 1) return ReaderProcessSettings().answerWithin;
    return std::min<std::chrono::milliseconds>(std::chrono::minutes(storedMinutes), kDay);
}
