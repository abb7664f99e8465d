// Writing an answer's head.
#include "AnswerHead.h"

#include "StationPage.h"

#include <algorithm>

namespace {

// Visible ASCII and the space; a name also holds no space and no colon.
bool IsFieldText(QByteArrayView text) {
    return std::all_of(text.begin(), text.end(), [](char c) { return c >= ' ' && c <= '~'; });
}

bool IsSound(const HeadField& field) {
    return !field.name.isEmpty() && IsFieldText(field.name) && !field.name.contains(' ') &&
           !field.name.contains(':') && IsFieldText(field.value);
}

QByteArray Line(const HeadField& field) {
    return field.name + ": " + field.value + "\r\n";
}

} // namespace

QByteArray AnswerHead(HttpStatus status, const QList<HeadField>& fields) {
    static const QList<HeadField> protective{
        {"Cache-Control", "no-cache"},
        {"X-Content-Type-Options", "nosniff"},
        {"Content-Security-Policy", PageSecurityPolicy()},
        {"X-Frame-Options", "DENY"},
        {"Referrer-Policy", "no-referrer"},
    };
    QByteArray head = "HTTP/1.1 " + QByteArray::number(status.code) + " " + status.reason + "\r\n";
    for (const QList<HeadField>* list : {&fields, &protective})
        for (const HeadField& field : *list)
            if (IsSound(field)) head += Line(field);
    return head + "\r\n";
}
