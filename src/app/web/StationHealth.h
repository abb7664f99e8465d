// The station's health at a glance, judged from the facts of one request. Failing: processing is stopped, a
// folder is missing or cannot be used, or nothing has been processed for an hour while files wait in the
// source folder. Warning: a file stays in the source folder, a ticked band has had no image for three of its
// cycles, or a folder's file system has less than 5 % free. Otherwise ok.
#pragma once

#include <QString>
#include <QStringList>

struct StationFacts;

enum class Health { Ok = 0, Warning = 1, Failing = 2 };

struct HealthVerdict {
    Health health = Health::Ok;
    QStringList problems; // one short sentence each, the failures first
};

// How many cycles of its scan mode a ticked band may go without an image.
inline constexpr int kLateAfterCycles = 3;
// Files waiting in the source folder while nothing is processed for this long mean failing.
inline constexpr qint64 kStalledAfterSeconds = 3600;
// Less free than this share of a folder's file system is a warning.
inline constexpr double kLowSpaceShare = 0.05;

HealthVerdict JudgeHealth(const StationFacts& facts);

// "ok", "warning", "failing".
QString HealthName(Health health);
