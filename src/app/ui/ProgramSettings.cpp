// Reading the settings without a control, with their defaults and ranges.
#include "ProgramSettings.h"

#include "ReaderProcessSettings.h"
#include "RegistryStore.h"

namespace {

// The longest the reader may take for one file, in minutes: a day.
constexpr qint32 kLongestReaderAnswerMinutes = 24 * 60;

// How many days files may be kept: 0 (for ever) to a hundred years.
constexpr TIntegerRange kKeepDaysRange{0, 36500};

qint32 DefaultReaderAnswerMinutes() {
    return static_cast<qint32>(
        std::chrono::duration_cast<std::chrono::minutes>(ReaderProcessSettings().answerWithin).count());
}

} // namespace

ProgramSettings::ProgramSettings()
    : webPort_("WebPort", WebPlace().port), webAddress_("WebAddress", WebPlace().address),
      readerAnswerMinutes_("ReaderAnswerMinutes", DefaultReaderAnswerMinutes(),
                           TIntegerRange{1, kLongestReaderAnswerMinutes}),
      keepImagesDays_("KeepImagesDays", 0, kKeepDaysRange),
      keepNetCdfDays_("KeepNetCDFDays", 0, kKeepDaysRange),
      incompleteBelowPercent_("IncompleteBelowPercent", 99.0, TDecimalRange{0, 100}),
      watchSourceFolder_("WatchSourceFolder", false) {
    for (int band = 0; band < kBandCount; ++band)
        lastSaved_[band] = std::make_unique<TRegistryString>("LastSaved" + BandCode[band], QString());
}

ProgramSettings::~ProgramSettings() = default;

std::chrono::milliseconds ProgramSettings::ReaderAnswerWithin() const {
    return ReaderAnswerBound(readerAnswerMinutes_.Value);
}

RetentionDays ProgramSettings::Keep() const {
    return {keepImagesDays_.Value, keepNetCdfDays_.Value};
}

double ProgramSettings::IncompleteBelowPercent() const {
    return incompleteBelowPercent_.Value;
}

bool ProgramSettings::WatchSourceFolder() const {
    return watchSourceFolder_.Value;
}

WebPlace ProgramSettings::Web() const {
    return {webPort_.Value, webAddress_.Value};
}

QString ProgramSettings::LastSaved(int band) const {
    return lastSaved_.at(band)->Value;
}

void ProgramSettings::SetLastSaved(int band, const QString& path) {
    TRegistryString& lastSaved = *lastSaved_.at(band);
    lastSaved.Value = path;
    // The store syncs to disk, which the window must not wait for.
    lastSavedWrites_.Post([key = lastSaved.KeyName, name = lastSaved.ValueName, value = path] {
        // Why the key cannot be written has been said at start.
        static_cast<void>(WriteStoredText(key, name, value));
    });
}

QStringList ProgramSettings::ReadWarnings() const {
    QStringList warnings;
    const TRegistryVariable* const read[] = {&webPort_,          &webAddress_,     &readerAnswerMinutes_,
                                             &keepImagesDays_,   &keepNetCdfDays_, &incompleteBelowPercent_,
                                             &watchSourceFolder_};
    for (const TRegistryVariable* variable : read)
        if (!variable->ReadWarning().isEmpty()) warnings << variable->ReadWarning();
    for (const auto& lastSaved : lastSaved_)
        if (!lastSaved->ReadWarning().isEmpty()) warnings << lastSaved->ReadWarning();
    return warnings;
}
