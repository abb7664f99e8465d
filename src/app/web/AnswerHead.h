// The head of every answer the station's server sends. Besides its own fields, every answer carries the same
// protective ones: the page's content security policy, no framing, no referrer, no type sniffing and no
// caching. A field reaches the client only when its name and value hold nothing but visible ASCII characters
// and spaces, so that no value, whatever it was made from, can end its field or the head.
#pragma once

#include <QByteArray>
#include <QList>

struct HttpStatus {
    int code;
    const char* reason;
};

inline constexpr HttpStatus kOk{200, "OK"};
inline constexpr HttpStatus kNotFound{404, "Not Found"};
inline constexpr HttpStatus kMethodNotAllowed{405, "Method Not Allowed"};
inline constexpr HttpStatus kPayloadTooLarge{413, "Payload Too Large"};
inline constexpr HttpStatus kInternalServerError{500, "Internal Server Error"};
inline constexpr HttpStatus kServiceUnavailable{503, "Service Unavailable"};

struct HeadField {
    QByteArray name;
    QByteArray value;
};

// The status line, the protective fields, the given ones (a field that fails the check is left out) and the
// empty line that ends the head.
QByteArray AnswerHead(HttpStatus status, const QList<HeadField>& fields);
