// How whole an ABI image is, as its own file says: the pixel counts, the shares of the quality flags and the
// data lost to uncorrectable errors that an L1b product carries beside its radiances, read with the header,
// and the completeness they give.
#pragma once

#include <QString>
#include <QtGlobal>
#include <optional>

class TNetCdf;

// Where the uncorrectable errors a file counts were met: files made from the satellite's L0 data carry
// percent_uncorrectable_L0_errors, files made from the GRB broadcast percent_uncorrectable_GRB_errors.
enum class AbiErrorSource : quint8 { L0, GRB };

struct AbiCompleteness {
    // The image's pixels, which no count can exceed.
    qint64 gridPixels = 0;
    // The file's counts; none when it lacks one or holds its fill value.
    std::optional<qint64> validPixels;   // earth pixels of good or conditionally usable quality
    std::optional<qint64> missingPixels; // earth pixels of the fixed grid that are missing
    std::optional<qint64> saturatedPixels;
    std::optional<qint64> undersaturatedPixels;
    // The DQF variable's shares of its four flags, 0 to 1 as files store them whatever their "percent_"
    // names say; none when absent or outside 0 to 1. Likewise the share of the data lost to uncorrectable
    // errors, and where they were met.
    std::optional<double> goodShare, conditionallyUsableShare, outOfRangeShare, noValueShare;
    std::optional<double> uncorrectableErrors;
    AbiErrorSource errorSource = AbiErrorSource::L0;

    // Why the counts cannot be believed ("missing_pixel_count is negative (-5)"); empty when they can, or
    // are absent.
    QString Contradiction() const;
    // valid ÷ (valid + missing) in percent, rounded to one decimal; none when either count is absent or the
    // counts contradict each other.
    std::optional<double> Percent() const;
    // 100 less Percent(), to the same decimal.
    std::optional<double> MissingPercent() const;
    // Whether Percent() is below the threshold; never for a threshold of 0 (or less) or without a figure.
    bool Below(double thresholdPercent) const;

    bool operator==(const AbiCompleteness&) const = default;

private:
    std::optional<qint64> Tenths() const;
};

// The values of the open file, whose image has gridPixels pixels. Reads a few single values and attributes;
// never the pixels.
AbiCompleteness ReadAbiCompleteness(const TNetCdf& file, qint64 gridPixels);
