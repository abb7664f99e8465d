// Sending one request and reading its answer.
#include "HttpFetch.h"

#include <QTcpSocket>

namespace {

constexpr int kWaitMs = 10000;

} // namespace

std::optional<HttpAnswer> ParseAnswer(const QByteArray& received, bool headOnly) {
    const qsizetype headEnd = received.indexOf("\r\n\r\n");
    if (headEnd < 0) return std::nullopt;
    const QList<QByteArray> lines = received.left(headEnd).split('\n');
    HttpAnswer answer;
    answer.head = received.left(headEnd + 4);
    answer.status = lines.first().split(' ').value(1).toInt();
    for (qsizetype index = 1; index < lines.size(); ++index) {
        const qsizetype colon = lines[index].indexOf(':');
        if (colon > 0)
            answer.headers.insert(lines[index].left(colon).trimmed().toLower(),
                                  lines[index].mid(colon + 1).trimmed());
    }
    const qint64 length = headOnly ? 0 : answer.headers.value("content-length").toLongLong();
    answer.body = received.mid(headEnd + 4);
    if (answer.body.size() < length) return std::nullopt;
    return answer;
}

std::optional<HttpAnswer> Fetch(quint16 port, const QByteArray& method, const QByteArray& target,
                                const QByteArray& extraHeaders, const QHostAddress& address) {
    QTcpSocket socket;
    socket.connectToHost(address, port);
    if (!socket.waitForConnected(kWaitMs)) return std::nullopt;
    socket.write(method + " " + target + " HTTP/1.1\r\nHost: station\r\n" + extraHeaders + "\r\n");
    QByteArray received;
    while (socket.waitForReadyRead(kWaitMs)) {
        received += socket.readAll();
        if (std::optional<HttpAnswer> answer = ParseAnswer(received, method == "HEAD")) return answer;
    }
    received += socket.readAll();
    return ParseAnswer(received, method == "HEAD");
}
