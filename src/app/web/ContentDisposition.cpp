// Writing a Content-Disposition.
#include "ContentDisposition.h"

#include <QList>

namespace {

// RFC 5987's attr-char beyond the letters, digits and "-._~" that percent-encoding always leaves as they are.
constexpr char kAlsoPlain[] = "!#$&+^`|";

QByteArray AsciiStandIn(const QString& fileName) {
    QByteArray standIn;
    for (const char32_t point : fileName.toUcs4()) {
        const bool plain = point >= U' ' && point <= U'~' && point != U'"' && point != U'\\' && point != U'%';
        standIn += plain ? static_cast<char>(point) : '_';
    }
    return standIn;
}

} // namespace

QByteArray InlineDisposition(const QString& fileName) {
    return "inline; filename=\"" + AsciiStandIn(fileName) + "\"; filename*=UTF-8''" +
           fileName.toUtf8().toPercentEncoding(kAlsoPlain);
}
