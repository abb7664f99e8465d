// The memory of files that failed for what they hold.
#include "RememberedFailures.h"

bool RememberedFailures::LiesInTheFile(FailureCode code) {
    switch (code) {
    case FailureCode::TooLarge:
    case FailureCode::NotNetCdf:
    case FailureCode::DamagedNetCdf:
    case FailureCode::NoRadianceVariable:
    case FailureCode::RadianceDataMissing:
    case FailureCode::CalibrationMissing:
    case FailureCode::ImageTooLarge:
    case FailureCode::OutOfMemory:
    case FailureCode::GeolocationMissing:
    case FailureCode::ReaderCrashed:
    case FailureCode::ReaderTimedOut:
        return true;
    default:
        return false;
    }
}

std::optional<Failure> RememberedFailures::Recall(const QString& path, const FileIdentity& identity) const {
    const auto found = failures_.constFind(path);
    if (found == failures_.cend() || found->identity != identity || found->tryAgain) return std::nullopt;
    return found->failure;
}

void RememberedFailures::Note(const QString& path, const FileIdentity& identity,
                              const std::optional<Failure>& failure) {
    if (!failure || !LiesInTheFile(failure->code)) {
        failures_.remove(path);
        return;
    }
    const auto found = failures_.constFind(path);
    const bool hungBefore = found != failures_.cend() && found->identity == identity &&
                            found->failure.code == FailureCode::ReaderTimedOut;
    const bool firstHang = failure->code == FailureCode::ReaderTimedOut && !hungBefore;
    failures_.insert(path, {identity, *failure, firstHang});
}

void RememberedFailures::KeepOnly(const QSet<QString>& paths) {
    for (auto entry = failures_.begin(); entry != failures_.end();)
        entry = paths.contains(entry.key()) ? std::next(entry) : failures_.erase(entry);
}
