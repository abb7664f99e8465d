// What the program's options say about its reader's process: which helper program, and how long it may take.
#pragma once

#include <QString>
#include <chrono>

struct ReaderProcessSettings {
    // The helper program; empty for the installed one: beside the running program, else in
    // ../libexec/stratolux/ from there.
    QString program;
    // A reader still busy this long after it was given its file is stopped and the file fails.
    std::chrono::milliseconds answerWithin = std::chrono::minutes(10);
};

// The bound for a number of minutes stored in the settings: the default for a number below 1, at most a day.
std::chrono::milliseconds ReaderAnswerBound(int storedMinutes);
