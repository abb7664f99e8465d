// Setting GDAL up and catching its failures.
#include "GdalSession.h"

#include <cpl_error.h>
#include <gdal.h>

#include <QRegularExpression>
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

void CPL_STDCALL KeepFirstFailure(CPLErr level, CPLErrorNum, const char* message) {
    auto* first = static_cast<std::optional<QString>*>(CPLGetErrorHandlerUserData());
    if (level >= CE_Failure && !first->has_value()) *first = Reason(message);
}

} // namespace

void PrepareGdal() {
    static std::once_flag prepared;
    std::call_once(prepared, [] {
        GDALAllRegister();
        GDALSetCacheMax64(kBlockCacheBytes);
    });
}

GdalFailures::GdalFailures() {
    CPLPushErrorHandlerEx(KeepFirstFailure, &first_);
}

GdalFailures::~GdalFailures() {
    CPLPopErrorHandler();
}
