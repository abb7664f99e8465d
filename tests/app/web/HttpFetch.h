// A plain HTTP/1.1 client for the web tests: the request goes out exactly as written (no path is tidied),
// and the answer is read to its Content-Length.
#pragma once

#include <QByteArray>
#include <QHostAddress>
#include <QMap>
#include <optional>

struct HttpAnswer {
    int status = 0;
    QByteArray head;                      // as received, up to and with the empty line that ends it
    QMap<QByteArray, QByteArray> headers; // names in lower case
    QByteArray body;
};

// The answer once its head and as much body as it announces have arrived.
std::optional<HttpAnswer> ParseAnswer(const QByteArray& received, bool headOnly);

// Blocks until the answer is in (the server runs on a thread of its own); none when no whole answer comes
// within a few seconds. extraHeaders: whole lines, each ended by "\r\n".
std::optional<HttpAnswer> Fetch(quint16 port, const QByteArray& method, const QByteArray& target,
                                const QByteArray& extraHeaders = {},
                                const QHostAddress& address = QHostAddress::LocalHost);
inline std::optional<HttpAnswer> Get(quint16 port, const QByteArray& target) {
    return Fetch(port, "GET", target);
}
