// The completeness values of an ABI file and what they come to.
#include "AbiCompleteness.h"

#include "NetCDFclass.h"

#include <array>
#include <cmath>
#include <utility>

namespace {

std::optional<double> Share(std::optional<double> value) {
    if (value && *value >= 0.0 && *value <= 1.0) return value;
    return std::nullopt;
}

} // namespace

QString AbiCompleteness::Contradiction() const {
    const std::array<std::pair<const char*, const std::optional<qint64>&>, 4> counts = {{
        {"valid_pixel_count", validPixels},
        {"missing_pixel_count", missingPixels},
        {"saturated_pixel_count", saturatedPixels},
        {"undersaturated_pixel_count", undersaturatedPixels},
    }};
    const QString image = QStringLiteral("the image's %1 pixels").arg(gridPixels);
    for (const auto& [name, count] : counts) {
        if (count && *count < 0)
            return QStringLiteral("%1 is negative (%2)").arg(QLatin1String(name)).arg(*count);
        if (count && *count > gridPixels)
            return QStringLiteral("%1 (%2) is more than %3").arg(QLatin1String(name)).arg(*count).arg(image);
    }
    if (!validPixels || !missingPixels) return {};
    const qint64 earth = *validPixels + *missingPixels;
    if (earth == 0) return QStringLiteral("valid_pixel_count and missing_pixel_count are both 0");
    if (earth > gridPixels)
        return QStringLiteral("valid_pixel_count and missing_pixel_count (%1 together) are more than %2")
            .arg(earth)
            .arg(image);
    return {};
}

std::optional<qint64> AbiCompleteness::Tenths() const {
    if (!validPixels || !missingPixels || !Contradiction().isEmpty()) return std::nullopt;
    return std::llround(1000.0 * static_cast<double>(*validPixels) /
                        static_cast<double>(*validPixels + *missingPixels));
}

std::optional<double> AbiCompleteness::Percent() const {
    const std::optional<qint64> tenths = Tenths();
    if (!tenths) return std::nullopt;
    return static_cast<double>(*tenths) / 10.0;
}

std::optional<double> AbiCompleteness::MissingPercent() const {
    const std::optional<qint64> tenths = Tenths();
    if (!tenths) return std::nullopt;
    return static_cast<double>(1000 - *tenths) / 10.0;
}

bool AbiCompleteness::Below(double thresholdPercent) const {
    const std::optional<double> percent = Percent();
    return thresholdPercent > 0.0 && percent && *percent < thresholdPercent;
}

AbiCompleteness ReadAbiCompleteness(const TNetCdf& file, qint64 gridPixels) {
    AbiCompleteness completeness;
    completeness.gridPixels = gridPixels;
    completeness.validPixels = file.ReadScalarInteger("valid_pixel_count");
    completeness.missingPixels = file.ReadScalarInteger("missing_pixel_count");
    completeness.saturatedPixels = file.ReadScalarInteger("saturated_pixel_count");
    completeness.undersaturatedPixels = file.ReadScalarInteger("undersaturated_pixel_count");
    if (const std::optional<int> flags = file.FindVariable("DQF")) {
        const auto share = [&](const char* name) { return Share(file.ReadFloatAttribute(*flags, name)); };
        completeness.goodShare = share("percent_good_pixel_qf");
        completeness.conditionallyUsableShare = share("percent_conditionally_usable_pixel_qf");
        completeness.outOfRangeShare = share("percent_out_of_range_pixel_qf");
        completeness.noValueShare = share("percent_no_value_pixel_qf");
    }
    completeness.uncorrectableErrors = Share(file.ReadScalarReal("percent_uncorrectable_GRB_errors"));
    if (completeness.uncorrectableErrors)
        completeness.errorSource = AbiErrorSource::GRB;
    else
        completeness.uncorrectableErrors = Share(file.ReadScalarReal("percent_uncorrectable_L0_errors"));
    return completeness;
}
