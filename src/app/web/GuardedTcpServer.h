// The listening socket of the station's web server, with the bounds that keep a client from tying it up: a
// few connections served at a time, and fewer from any one address; a request of a bounded size (a larger one
// is answered 413 and closed) that must arrive within a time; connections closed when quiet.
//
// A new connection is served at once while there is room for it. Otherwise it waits, unserved, until its
// first request has arrived whole (or its time runs out), and then takes the place of the oldest connection
// that is only waiting for a request: one of its own address when that address already holds its share, of
// any address otherwise. Only when every connection is busy being answered is it answered 503 and closed. So
// clients that send slowly, however many, hold no place that a client with a whole request needs, and one
// address cannot crowd out the others.
#pragma once

#include "AnswerHead.h"

#include <QTcpServer>
#include <chrono>
#include <memory>
#include <vector>

struct ClientBounds {
    int connections = 16;          // served at once, enough for two browsers and a monitoring system
    int connectionsPerAddress = 6; // served at once to one address: as many as a browser opens to a server
    int waiting = 64; // waiting for room; when more come, the address with the most loses its oldest
    qint64 requestBytes = 16 * 1024;
    // From a request's first byte to its last; for a connection that waits, from its start.
    std::chrono::milliseconds requestTime{5000};
    std::chrono::milliseconds quietTime{30000}; // without a byte read or written
};

class ConnectionGuard;

class GuardedTcpServer : public QTcpServer {
    Q_OBJECT
public:
    explicit GuardedTcpServer(ClientBounds bounds = {}, QObject* parent = nullptr);

protected:
    void incomingConnection(qintptr descriptor) override;

private:
    qsizetype ServedTo(const QHostAddress& address) const;
    bool HasRoomFor(const QHostAddress& address) const;
    // Closes a served connection that only waits for a request, when the new one needs its place; false when
    // it needs one and none can go.
    bool MakeRoomFor(const QHostAddress& address);
    // Hands the connection to the HTTP server, which takes it at once, and tells it of what already arrived.
    void Serve(QTcpSocket& socket);
    void Hold(QTcpSocket& socket);
    void HeldBytesArrived(QTcpSocket& socket);
    void Release(QTcpSocket& socket);
    void DropHeld(QTcpSocket& socket);
    void Refuse(QTcpSocket& socket, HttpStatus status, const QByteArray& text);
    QTcpSocket& OldestHeldOfBusiestAddress() const;

    const ClientBounds bounds_;
    // The guards of the served connections, oldest first. Shared with every guard, which may outlive this
    // server while Qt tears both down.
    const std::shared_ptr<std::vector<ConnectionGuard*>> guards_;
    std::vector<QTcpSocket*> held_; // oldest first
};
