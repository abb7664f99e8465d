// The web server as a client meets it over real HTTP on the loopback interface: what it answers, what it
// refuses, and the bounds that keep a client from tying it up.
#include "HttpFetch.h"
#include "RegistryVariables.h"
#include "ScanController.h"
#include "StationWeb.h"
#include "TemporaryStore.h"

#include <QFile>
#include <QNetworkInterface>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

namespace {

quint16 FreePort() {
    QTcpServer probe;
    return probe.listen(QHostAddress::LocalHost, 0) ? probe.serverPort() : 0;
}

class StationServerTest : public testing::Test {
protected:
    TTemporaryStore store;
    QTemporaryDir folder;
    ScanController scan;
    const quint16 port = FreePort();

    void SetUp() override { TRegistryInteger("WebPort", port).Write(); }
    std::unique_ptr<StationWeb> OpenPage(ClientBounds bounds = {}) {
        auto web = std::make_unique<StationWeb>(scan, folder.filePath("station-process.log"), bounds);
        const std::optional<QString> line = web->Open("GOES-16 Stratolux");
        EXPECT_EQ(line, "Web page at http://127.0.0.1:" + QString::number(port) + "/");
        return web;
    }
    // A connection that has sent what it was given and waits.
    std::unique_ptr<QTcpSocket> Connect(const QByteArray& sent = {}) {
        auto socket = std::make_unique<QTcpSocket>();
        socket->connectToHost(QHostAddress::LocalHost, port);
        EXPECT_TRUE(socket->waitForConnected(5000));
        socket->write(sent);
        socket->flush();
        return socket;
    }
};

} // namespace

TEST_F(StationServerTest, OnlyGetAndHeadAreAnswered) {
    const auto web = OpenPage();
    const std::optional<HttpAnswer> page = Get(port, "/");
    ASSERT_TRUE(page);
    EXPECT_EQ(page->status, 200);
    const std::optional<HttpAnswer> head = Fetch(port, "HEAD", "/");
    ASSERT_TRUE(head);
    EXPECT_EQ(head->status, 200);
    EXPECT_TRUE(head->body.isEmpty());
    EXPECT_EQ(head->headers.value("content-type"), "text/html; charset=utf-8");
    EXPECT_NEAR(head->headers.value("content-length").toDouble(), page->body.size(), 100); // a newer time

    for (const QByteArray method : {"POST", "PUT", "DELETE", "PATCH", "OPTIONS"}) {
        const std::optional<HttpAnswer> refused = Fetch(port, method, "/", "Content-Length: 0\r\n");
        ASSERT_TRUE(refused) << method.constData();
        EXPECT_EQ(refused->status, 405) << method.constData();
        EXPECT_EQ(refused->headers.value("allow"), "GET, HEAD");
    }
}

TEST_F(StationServerTest, NoPathFromARequestReachesTheFileSystem) {
    QFile secret(folder.filePath("secret.jpg"));
    ASSERT_TRUE(secret.open(QIODevice::WriteOnly) && secret.write("SECRET") == 6);
    secret.close();
    const QByteArray secretPath = QFile::encodeName(secret.fileName());
    const auto web = OpenPage();
    for (const QByteArray& target :
         {QByteArray("/../../../../etc/passwd"), QByteArray("/image/../../../../etc/passwd"),
          QByteArray("//etc/passwd"), QByteArray("/etc/passwd"), secretPath, "/image" + secretPath,
          "/view/.." + secretPath, QByteArray("/view/%2e%2e%2f%2e%2e%2fetc%2fpasswd"),
          QByteArray("/image/%2Fetc%2Fpasswd"), QByteArray("/image/B13%2F..%2F..%2Fetc%2Fpasswd"),
          QByteArray("/thumbnail/B13.jpg/../../secret.jpg"), QByteArray("/image/B13%00"),
          QByteArray("/view/B13.jpg"), QByteArray("/image/B13"), QByteArray("/thumbnail/B99.jpg")}) {
        const std::optional<HttpAnswer> answer = Get(port, target);
        ASSERT_TRUE(answer) << target.constData();
        EXPECT_EQ(answer->status, 404) << target.constData();
        EXPECT_FALSE(answer->body.contains("root:") || answer->body.contains("SECRET")) << target.constData();
    }
}

TEST_F(StationServerTest, ARequestLargerThanItsBoundIs413) {
    const auto web = OpenPage({.requestBytes = 4096});
    const std::optional<HttpAnswer> answer =
        Fetch(port, "GET", "/", "X-Filler: " + QByteArray(8000, 'x') + "\r\n");
    ASSERT_TRUE(answer);
    EXPECT_EQ(answer->status, 413);
    EXPECT_EQ(Get(port, "/")->status, 200);
}

TEST_F(StationServerTest, AClientBeyondTheBoundIsTurnedAway) {
    const auto web = OpenPage({.connections = 2});
    const auto first = Connect(), second = Connect();
    const std::optional<HttpAnswer> third = Get(port, "/");
    ASSERT_TRUE(third);
    EXPECT_EQ(third->status, 503);
    first->disconnectFromHost();
    second->disconnectFromHost();
    EXPECT_TRUE(QTest::qWaitFor(
        [&] {
            const std::optional<HttpAnswer> answer = Get(port, "/");
            return answer && answer->status == 200;
        },
        5000));
}

TEST_F(StationServerTest, StalledAndQuietConnectionsAreClosed) {
    const auto web = OpenPage(
        {.requestTime = std::chrono::milliseconds(300), .quietTime = std::chrono::milliseconds(2000)});
    const auto stalled = Connect("GET / HTTP/1.1\r\nHost: st");
    const auto quiet = Connect();
    EXPECT_TRUE(stalled->waitForDisconnected(1500)) << "a request that never ends keeps its connection";
    EXPECT_EQ(quiet->state(), QAbstractSocket::ConnectedState);
    EXPECT_TRUE(quiet->waitForDisconnected(5000)) << "a connection that says nothing stays open";
}

TEST_F(StationServerTest, TheDefaultAddressIsTheLoopbackOnly) {
    QHostAddress other;
    for (const QHostAddress& address : QNetworkInterface::allAddresses())
        if (address.protocol() == QAbstractSocket::IPv4Protocol && !address.isLoopback()) other = address;
    if (other.isNull()) GTEST_SKIP() << "this machine has no address but the loopback";
    const auto web = OpenPage();
    EXPECT_EQ(Get(port, "/")->status, 200);
    QTcpSocket outside;
    outside.connectToHost(other, port);
    EXPECT_FALSE(outside.waitForConnected(3000)) << "reachable on " << qPrintable(other.toString());
}

TEST_F(StationServerTest, SettingsThatCannotBeUsedAreSaidInOneLine) {
    const struct {
        int port;
        const char* address;
        QString line;
    } cases[] = {
        {0, "127.0.0.1", QString()},
        {70000, "127.0.0.1", "Web page not opened: WebPort 70000 is not a port (1 to 65535)"},
        {-1, "127.0.0.1", "Web page not opened: WebPort -1 is not a port (1 to 65535)"},
        {port, "station.local", "Web page not opened: WebAddress \"station.local\" is not an IP address"},
        {port, "198.51.100.7",
         "Web page not opened: cannot listen on 198.51.100.7:" + QString::number(port) +
             ": The address is not available"},
    };
    for (const auto& settings : cases) {
        TRegistryInteger webPort("WebPort", 0);
        webPort.Value = settings.port;
        webPort.Write();
        TRegistryString webAddress("WebAddress", QString());
        webAddress.Value = settings.address;
        webAddress.Write();
        StationWeb web(scan, folder.filePath("station-process.log"));
        EXPECT_EQ(web.Open("caption").value_or(QString()), settings.line) << settings.address;
        EXPECT_EQ(web.Port(), 0);
    }
}
