// The bounds on each connection: its guard watches the socket before the HTTP server reads from it.
#include "GuardedTcpServer.h"

#include "AnswerHead.h"

#include <QTcpSocket>
#include <QTimer>
#include <algorithm>

namespace {

constexpr std::chrono::seconds kAcceptRetry{1};

bool SameClient(const QHostAddress& one, const QHostAddress& other) {
    return one.isEqual(other, QHostAddress::ConvertV4MappedToIPv4);
}

void AnswerAndClose(QTcpSocket& socket, HttpStatus status, const QByteArray& text) {
    const QByteArray body = text + "\n";
    const QByteArray answer = AnswerHead(status, {{"Content-Type", "text/plain; charset=utf-8"},
                                                  {"Content-Length", QByteArray::number(body.size())},
                                                  {"Connection", "close"}}) +
                              body;
    if (socket.write(answer) != answer.size()) {
        socket.abort();
        return;
    }
    socket.disconnectFromHost();
}

// The empty line that ends a request's head, after CR LF or a bare LF.
bool HeadIsWhole(const QByteArray& received) {
    return received.contains("\n\r\n") || received.contains("\n\n");
}

} // namespace

// Lives as the socket's child. Its slots are connected before the HTTP server's, so it sees every read
// first. The HTTP server holds a request's bytes in a read transaction until the request is whole: a read
// with no transaction begins a new request.
class ConnectionGuard : public QObject {
public:
    using Guards = std::vector<ConnectionGuard*>;

    ConnectionGuard(QTcpSocket& socket, const ClientBounds& bounds, std::shared_ptr<Guards> guards)
        : QObject(&socket), socket_(socket), address_(socket.peerAddress()), bounds_(bounds),
          guards_(std::move(guards)) {
        guards_->push_back(this);
        requestTimer_.setSingleShot(true);
        quietTimer_.setSingleShot(true);
        connect(&socket_, &QTcpSocket::readyRead, this, &ConnectionGuard::BytesArrived);
        connect(&socket_, &QTcpSocket::bytesWritten, this, [this] { quietTimer_.start(bounds_.quietTime); });
        connect(&socket_, &QTcpSocket::disconnected, this, &ConnectionGuard::Leave);
        connect(&requestTimer_, &QTimer::timeout, this, [this] {
            if (socket_.isTransactionStarted()) Drop();
        });
        connect(&quietTimer_, &QTimer::timeout, this, &ConnectionGuard::Drop);
        quietTimer_.start(bounds_.quietTime);
    }
    ~ConnectionGuard() override { Leave(); }

    bool From(const QHostAddress& address) const { return SameClient(address_, address); }
    // Neither being answered nor refused: it waits for a request, or has sent part of one.
    bool WaitsForRequest() const { return !refused_ && socket_.bytesToWrite() == 0; }
    // A client that stalls, or one whose request the HTTP server could not parse, which it leaves open.
    void Drop() {
        Leave();
        socket_.abort();
        socket_.deleteLater();
    }

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
        AnswerAndClose(socket_, kPayloadTooLarge, "413 Request too large");
    }
    // No longer counted among the served connections.
    void Leave() { std::erase(*guards_, this); }

    QTcpSocket& socket_;
    const QHostAddress address_;
    const ClientBounds bounds_;
    const std::shared_ptr<Guards> guards_;
    QTimer requestTimer_;
    QTimer quietTimer_;
    qint64 requestBytes_ = 0;
    bool refused_ = false;
};

GuardedTcpServer::GuardedTcpServer(ClientBounds bounds, QObject* parent)
    : QTcpServer(parent), bounds_(bounds), guards_(std::make_shared<ConnectionGuard::Guards>()) {
    // A failed accept (out of file descriptors, say) pauses accepting; the page comes back once it passes.
    connect(this, &QTcpServer::acceptError, this,
            [this] { QTimer::singleShot(kAcceptRetry, this, &QTcpServer::resumeAccepting); });
}

void GuardedTcpServer::incomingConnection(qintptr descriptor) {
    // One connection a turn of the event loop, which reads from the open ones before the next is accepted, so
    // that a burst of new connections cannot push out one whose request is on its way.
    setMaxPendingConnections(0);
    QMetaObject::invokeMethod(
        this,
        [this] {
            setMaxPendingConnections(1);
            resumeAccepting();
        },
        Qt::QueuedConnection);
    auto* socket = new QTcpSocket(this);
    if (!socket->setSocketDescriptor(descriptor)) {
        delete socket;
        return;
    }
    if (HasRoomFor(socket->peerAddress()))
        Serve(*socket);
    else
        Hold(*socket);
}

qsizetype GuardedTcpServer::ServedTo(const QHostAddress& address) const {
    return std::count_if(guards_->begin(), guards_->end(),
                         [&](const auto* guard) { return guard->From(address); });
}

bool GuardedTcpServer::HasRoomFor(const QHostAddress& address) const {
    return ServedTo(address) < bounds_.connectionsPerAddress && std::ssize(*guards_) < bounds_.connections;
}

bool GuardedTcpServer::MakeRoomFor(const QHostAddress& address) {
    if (HasRoomFor(address)) return true;
    const bool addressFull = ServedTo(address) >= bounds_.connectionsPerAddress;
    const auto oldest = std::find_if(guards_->begin(), guards_->end(), [&](const auto* guard) {
        return guard->WaitsForRequest() && (!addressFull || guard->From(address));
    });
    if (oldest == guards_->end()) return false;
    (*oldest)->Drop();
    return true;
}

void GuardedTcpServer::Serve(QTcpSocket& socket) {
    new ConnectionGuard(socket, bounds_, guards_);
    addPendingConnection(&socket);
    if (socket.bytesAvailable() > 0) emit socket.readyRead();
}

void GuardedTcpServer::Hold(QTcpSocket& socket) {
    if (!held_.empty() && std::ssize(held_) >= bounds_.waiting) DropHeld(OldestHeldOfBusiestAddress());
    held_.push_back(&socket);
    connect(&socket, &QTcpSocket::readyRead, this, [this, &socket] { HeldBytesArrived(socket); });
    connect(&socket, &QTcpSocket::disconnected, this, [this, &socket] { DropHeld(socket); });
    QTimer::singleShot(bounds_.requestTime, &socket, [this, &socket] {
        if (std::ranges::find(held_, &socket) != held_.end()) DropHeld(socket);
    });
}

void GuardedTcpServer::HeldBytesArrived(QTcpSocket& socket) {
    const bool tooLarge = socket.bytesAvailable() > bounds_.requestBytes;
    if (!tooLarge && !HeadIsWhole(socket.peek(socket.bytesAvailable()))) return;
    Release(socket);
    if (tooLarge) {
        Refuse(socket, kPayloadTooLarge, "413 Request too large");
    } else if (MakeRoomFor(socket.peerAddress())) {
        Serve(socket);
    } else {
        Refuse(socket, kServiceUnavailable, "503 Too many connections; try again");
    }
}

void GuardedTcpServer::Release(QTcpSocket& socket) {
    std::erase(held_, &socket);
    disconnect(&socket, nullptr, this, nullptr);
}

void GuardedTcpServer::DropHeld(QTcpSocket& socket) {
    Release(socket);
    socket.abort();
    socket.deleteLater();
}

void GuardedTcpServer::Refuse(QTcpSocket& socket, HttpStatus status, const QByteArray& text) {
    connect(&socket, &QTcpSocket::disconnected, &socket, &QObject::deleteLater);
    AnswerAndClose(socket, status, text);
}

QTcpSocket& GuardedTcpServer::OldestHeldOfBusiestAddress() const {
    const auto sameClient = [this](const QTcpSocket* socket) {
        return std::count_if(held_.begin(), held_.end(), [&](const QTcpSocket* other) {
            return SameClient(socket->peerAddress(), other->peerAddress());
        });
    };
    return **std::ranges::max_element(held_, std::less<>(), sameClient);
}
