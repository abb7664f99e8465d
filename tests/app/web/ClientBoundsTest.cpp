// Clients that try to tie the web server up: many slow ones, many from one address, and one that never
// finishes its request. Every client here is on the loopback interface; the addresses 127.0.0.2 and up stand
// for other machines.
#include "StationServerFixture.h"

#include <QElapsedTimer>
#include <QTest>
#include <QTimer>

namespace {

using std::chrono::milliseconds;

// Sends a request's head one byte at a time, never its end, and connects again whenever it is dropped.
class SlowClient : public QObject {
public:
    SlowClient(quint16 port, milliseconds byteInterval) : port_(port) {
        connect(&socket_, &QAbstractSocket::stateChanged, this, [this](QAbstractSocket::SocketState state) {
            if (state == QAbstractSocket::UnconnectedState)
                QMetaObject::invokeMethod(this, &SlowClient::Reconnect, Qt::QueuedConnection);
        });
        connect(&socket_, &QAbstractSocket::connected, this, [this] { sent_ = 0; });
        connect(&byteTimer_, &QTimer::timeout, this, &SlowClient::SendByte);
        byteTimer_.start(byteInterval);
        Reconnect();
    }
    int Connections() const { return connections_; }
    int BytesSent() const { return bytesSent_; }

private:
    void Reconnect() {
        ++connections_;
        socket_.connectToHost(QHostAddress::LocalHost, port_);
    }
    void SendByte() {
        static const QByteArray head =
            "GET /status.json HTTP/1.1\r\nHost: station\r\nX-Slow: " + QByteArray(4000, 'x');
        if (socket_.state() != QAbstractSocket::ConnectedState) return;
        socket_.write(head.mid(sent_++ % head.size(), 1));
        ++bytesSent_;
    }

    const quint16 port_;
    QTcpSocket socket_;
    QTimer byteTimer_;
    int connections_ = 0;
    int bytesSent_ = 0;
    qsizetype sent_ = 0;
};

// A client with its whole request; how long until its whole answer arrived, none when none did in time.
std::optional<std::pair<HttpAnswer, milliseconds>> Probe(quint16 port, const QHostAddress& from) {
    QElapsedTimer clock;
    clock.start();
    QTcpSocket socket;
    if (!socket.bind(from)) return std::nullopt;
    socket.connectToHost(QHostAddress::LocalHost, port);
    socket.write("GET /status.json HTTP/1.1\r\nHost: station\r\nConnection: close\r\n\r\n");
    QByteArray received;
    std::optional<HttpAnswer> answer;
    const bool ended = QTest::qWaitFor(
        [&] {
            received += socket.readAll();
            answer = ParseAnswer(received, false);
            return answer || socket.state() == QAbstractSocket::UnconnectedState;
        },
        3000);
    if (!ended || !answer) return std::nullopt;
    return std::pair{*answer, milliseconds(clock.elapsed())};
}

class ClientBoundsTest : public StationServerTest {};

} // namespace

// Fifty clients that each send a byte at a time and come back at once when dropped, as from one machine,
// against the bounds as they are but for a shorter time for a request (as a byte every 3 s against 5 s).
TEST_F(ClientBoundsTest, SlowClientsCannotLockThePageOut) {
    const auto web = OpenPage({.requestTime = milliseconds(600)});
    std::vector<std::unique_ptr<SlowClient>> attack;
    for (int client = 0; client < 50; ++client)
        attack.push_back(std::make_unique<SlowClient>(port, milliseconds(360)));
    const auto connections = [&] {
        int total = 0;
        for (const auto& client : attack) total += client->Connections();
        return total;
    };
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            return std::ranges::all_of(attack, [](const auto& client) { return client->BytesSent() >= 3; });
        },
        20000))
        << "the slow clients never got going";

    const QHostAddress sameMachine = QHostAddress::LocalHost, otherMachine("127.0.0.2");
    int answeredInTime = 0;
    QStringList seen;
    for (int probe = 0; probe < 10; ++probe) {
        // Between probes, the slow clients are dropped and come back (the probe goes ahead if few did).
        const int before = connections();
        (void)QTest::qWaitFor([&] { return connections() >= before + 10; }, 3000);
        const auto answer = Probe(port, probe % 2 ? otherMachine : sameMachine);
        seen << (answer ? QString("%1 in %2 ms").arg(answer->first.status).arg(answer->second.count())
                        : "none");
        if (answer && answer->first.status == 200 && answer->second <= milliseconds(1000)) ++answeredInTime;
    }
    EXPECT_GE(answeredInTime, 9) << qPrintable(seen.join(", "));
    EXPECT_GT(connections(), 60) << "the slow clients were never dropped";
}

// Served at once: two places for each address, four in all. Clients that only connect hold them until one
// with a whole request needs a place: one of its own address's, or the oldest of any when its address has
// room.
TEST_F(ClientBoundsTest, AWholeRequestTakesThePlaceOfTheOldestSilentConnection) {
    const auto web = OpenPage({.connections = 4, .connectionsPerAddress = 2});
    const QHostAddress a("127.0.0.2"), b("127.0.0.3"), c("127.0.0.4");
    const auto a1 = Connect({}, a), a2 = Connect({}, a), b1 = Connect({}, b), b2 = Connect({}, b);
    const auto connected = [](const std::unique_ptr<QTcpSocket>& socket) {
        return socket->state() == QAbstractSocket::ConnectedState;
    };
    const auto answeredFrom = [&](const QHostAddress& from) {
        const auto answer = Probe(port, from);
        return answer ? answer->first.status : 0;
    };

    EXPECT_EQ(answeredFrom(b), 200);
    EXPECT_TRUE(QTest::qWaitFor([&] { return !connected(b1); }, 3000)) << "b's oldest keeps its place";
    EXPECT_TRUE(connected(a1) && connected(a2) && connected(b2)) << "another's place was taken";

    EXPECT_EQ(answeredFrom(a), 200);
    EXPECT_TRUE(QTest::qWaitFor([&] { return !connected(a1); }, 3000)) << "a's oldest keeps its place";
    EXPECT_TRUE(connected(a2) && connected(b2));

    // c has room of its own, but every place is taken: the oldest silent connection of all goes.
    const auto a3 = Connect({}, a), b3 = Connect({}, b);
    EXPECT_EQ(answeredFrom(c), 200);
    EXPECT_TRUE(QTest::qWaitFor([&] { return !connected(a2); }, 3000)) << "the oldest keeps its place";
    EXPECT_TRUE(connected(b2) && connected(a3) && connected(b3));
}

// One that waits for a place has the time for a request from its start, however it trickles, and is then
// closed without an answer.
TEST_F(ClientBoundsTest, AWaitingConnectionHasOneTimeForItsWholeRequest) {
    const auto web = OpenPage({.connections = 1, .requestTime = milliseconds(500)});
    const auto served = Connect();
    QElapsedTimer clock;
    clock.start();
    const auto waiting = Connect("GET / HTTP/1.1\r\n");
    QByteArray answered;
    const bool closed = QTest::qWaitFor(
        [&] {
            waiting->write("X");
            answered += waiting->readAll();
            return waiting->state() == QAbstractSocket::UnconnectedState;
        },
        5000);
    answered += waiting->readAll();
    EXPECT_TRUE(closed) << "a trickling request keeps its connection";
    EXPECT_GE(clock.elapsed(), 500) << "closed before its time";
    EXPECT_EQ(answered, QByteArray()) << "answered before its request was whole";
    EXPECT_EQ(served->state(), QAbstractSocket::ConnectedState);
}
