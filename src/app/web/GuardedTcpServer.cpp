// The bounds on each connection: its guard watches the socket before the HTTP server reads from it.
#include "GuardedTcpServer.h"

#include "AnswerHead.h"

#include <QTcpSocket>
#include <QTimer>

namespace {

QByteArray PlainAnswer(HttpStatus status, const QByteArray& text) {
    const QByteArray body = text + "\n";
    return AnswerHead(status, {{"Content-Type", "text/plain; charset=utf-8"},
                               {"Content-Length", QByteArray::number(body.size())},
                               {"Connection", "close"}}) +
           body;
}

// Lives as the socket's child. Its slots are connected before the HTTP server's, so it sees every read
// first. The HTTP server holds a request's bytes in a read transaction until the request is whole: a read
// with no transaction begins a new request.
class ConnectionGuard : public QObject {
public:
    ConnectionGuard(QTcpSocket& socket, const ClientBounds& bounds, std::shared_ptr<int> connections)
        : QObject(&socket), socket_(socket), bounds_(bounds), connections_(std::move(connections)) {
        ++*connections_;
        requestTimer_.setSingleShot(true);
        quietTimer_.setSingleShot(true);
        connect(&socket_, &QTcpSocket::readyRead, this, &ConnectionGuard::BytesArrived);
        connect(&socket_, &QTcpSocket::bytesWritten, this, [this] { quietTimer_.start(bounds_.quietTime); });
        connect(&requestTimer_, &QTimer::timeout, this, [this] {
            if (socket_.isTransactionStarted()) Drop();
        });
        connect(&quietTimer_, &QTimer::timeout, this, &ConnectionGuard::Drop);
        quietTimer_.start(bounds_.quietTime);
    }
    ~ConnectionGuard() override { --*connections_; }

private:
    void BytesArrived() {
        if (refused_) {
            socket_.readAll();
            return;
        }
        quietTimer_.start(bounds_.quietTime);
        if (!socket_.isTransactionStarted()) {
            requestBytes_ = 0;
            requestTimer_.start(bounds_.requestTime);
        }
        requestBytes_ += socket_.bytesAvailable();
        if (requestBytes_ <= bounds_.requestBytes) return;
        // Read here, so that the HTTP server finds nothing left to answer.
        refused_ = true;
        socket_.readAll();
        socket_.write(PlainAnswer(kPayloadTooLarge, "413 Request too large"));
        socket_.disconnectFromHost();
    }
    // A client that stalls, or one whose request the HTTP server could not parse, which it leaves open.
    void Drop() {
        socket_.abort();
        socket_.deleteLater();
    }

    QTcpSocket& socket_;
    const ClientBounds bounds_;
    const std::shared_ptr<int> connections_;
    QTimer requestTimer_;
    QTimer quietTimer_;
    qint64 requestBytes_ = 0;
    bool refused_ = false;
};

} // namespace

GuardedTcpServer::GuardedTcpServer(ClientBounds bounds, QObject* parent)
    : QTcpServer(parent), bounds_(bounds), connections_(std::make_shared<int>(0)) {}

void GuardedTcpServer::incomingConnection(qintptr descriptor) {
    auto* socket = new QTcpSocket(this);
    if (!socket->setSocketDescriptor(descriptor)) {
        delete socket;
        return;
    }
    if (*connections_ >= bounds_.connections) {
        connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
        socket->write(PlainAnswer(kServiceUnavailable, "503 Too many connections; try again"));
        socket->disconnectFromHost();
        return;
    }
    new ConnectionGuard(*socket, bounds_, connections_);
    addPendingConnection(socket);
}
