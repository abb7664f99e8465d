// Setting GDAL up and catching its failures.
#include "GdalSession.h"

#include <cpl_error.h>
#include <gdal.h>

#include <QRegularExpression>
#include <atomic>
#include <cstdint>
#include <mutex>

namespace {

// GDAL's own block cache would otherwise grow to 5 % of the machine's memory while a file is written; the
// writers here read from memory and need it only for the tiles on their way to the file.
constexpr GIntBig kBlockCacheBytes = 64 << 20;

// libtiff puts the name of its function before its reason ("_tiffWriteProc:File too large"); the operator
// needs the reason alone.
QString Reason(const char* message) {
    static const QRegularExpression functionName(QStringLiteral("^_?[A-Za-z][A-Za-z0-9_]*:(?=\\S)"));
    return QString::fromUtf8(message).trimmed().remove(functionName);
}

// Failures reported on GDAL's own threads (a COG's compression workers), where no handler of ours is pushed;
// GDAL does not pass them on to the thread that asked for the work.
std::atomic<std::uint64_t> otherThreadFailures{0};

void CPL_STDCALL CountOtherThreadFailure(CPLErr level, CPLErrorNum, const char*) {
    if (level >= CE_Failure) ++otherThreadFailures;
}

void CPL_STDCALL KeepFirstFailure(CPLErr level, CPLErrorNum, const char* message) {
    auto* first = static_cast<std::optional<QString>*>(CPLGetErrorHandlerUserData());
    if (level >= CE_Failure && !first->has_value()) *first = Reason(message);
}

} // namespace

void PrepareGdal() {
    static std::once_flag prepared;
    std::call_once(prepared, [] {
        CPLSetErrorHandler(CountOtherThreadFailure);
        GDALAllRegister();
        GDALSetCacheMax64(kBlockCacheBytes);
    });
}

GdalFailures::GdalFailures() : otherThreadFailuresBefore_(otherThreadFailures) {
    CPLPushErrorHandlerEx(KeepFirstFailure, &first_);
}

std::optional<QString> GdalFailures::First() const {
    if (first_) return first_;
    if (otherThreadFailures != otherThreadFailuresBefore_)
        return QStringLiteral("GDAL failed on one of its own threads");
    return std::nullopt;
}

GdalFailures::~GdalFailures() {
    CPLPopErrorHandler();
}
