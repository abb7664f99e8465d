// What an ABI file holds, counted from its own quality flags with netCDF-C, independently of the reader; and
// the single values a test changes in a file to make its counts absent or contradictory.
#pragma once

#include <QString>
#include <QtGlobal>

struct FlagTally {
    qint64 valid = 0;   // flagged good (0) or conditionally usable (1)
    qint64 missing = 0; // flagged "no value" (3)

    // valid ÷ (valid + missing) in percent, to one decimal.
    double CompletenessPercent() const;
};

// The DQF variable's flags of the file, counted; the test fails when they cannot be read.
FlagTally CountFlags(const QString& path);

// Overwrites the file's single value of an integer variable; the test fails when that cannot be done.
void OverwriteCount(const QString& path, const char* variable, int value);
