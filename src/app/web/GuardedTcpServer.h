// The listening socket of the station's web server, with the bounds that keep a client from tying it up: a
// few connections at a time (one more is answered 503 and closed), a request of a bounded size (a larger
// one is answered 413 and closed) that must arrive within a time, and connections closed when quiet.
#pragma once

#include <QTcpServer>
#include <chrono>
#include <memory>

struct ClientBounds {
    int connections = 16; // at once, enough for two browsers and a monitoring system
    qint64 requestBytes = 16 * 1024;
    std::chrono::milliseconds requestTime{10000}; // from a request's first byte to its last
    std::chrono::milliseconds quietTime{30000};   // without a byte read or written
};

class GuardedTcpServer : public QTcpServer {
    Q_OBJECT
public:
    explicit GuardedTcpServer(ClientBounds bounds = {}, QObject* parent = nullptr);

protected:
    void incomingConnection(qintptr descriptor) override;

private:
    const ClientBounds bounds_;
    // Shared with every connection's guard, which may outlive this server while Qt tears both down.
    std::shared_ptr<int> connections_;
};
