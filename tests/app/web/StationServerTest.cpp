// The web server as a client meets it over real HTTP on the loopback interface: what it answers, what it
// refuses, and the bounds that keep a client from tying it up.
#include "StationServerFixture.h"

#include <QCryptographicHash>
#include <QFile>
#include <QNetworkInterface>
#include <QRegularExpression>
#include <QTest>

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

// Places taken by clients that are being sent a large image and read it slowly.
TEST_F(StationServerTest, AClientBeyondTheBoundIsTurnedAwayWhenEveryPlaceIsBusy) {
    QFile image(folder.filePath("image.png"));
    ASSERT_TRUE(image.open(QIODevice::WriteOnly) && image.write(QByteArray(32 << 20, 'p')) == 32 << 20);
    image.close();
    RecordImages({image.fileName()});
    const auto web = OpenPage({.connections = 2});
    std::vector<std::unique_ptr<QTcpSocket>> readers;
    for (int reader = 0; reader < 2; ++reader) {
        readers.push_back(Connect("GET /image/B01 HTTP/1.1\r\nHost: station\r\n\r\n"));
        readers.back()->setReadBufferSize(1024);
        ASSERT_TRUE(readers.back()->waitForReadyRead(5000));
    }
    const std::optional<HttpAnswer> third = Get(port, "/");
    ASSERT_TRUE(third);
    EXPECT_EQ(third->status, 503);
    EXPECT_EQ(third->headers.value("x-frame-options"), "DENY");
    readers.clear();
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

TEST_F(StationServerTest, AClientAskingAgainBeforeTakingItsAnswerIsCutOff) {
    const auto web = OpenPage();
    QByteArray requests;
    for (int i = 0; i < 100; ++i)
        requests += "GET /image/B13 HTTP/1.1\r\nHost: station\r\n\r\nGET / HTTP/1.1\r\n\r\n";
    const auto client = Connect(requests);
    EXPECT_TRUE(client->waitForDisconnected(10000)) << "answers piled up for a client that does not read";
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
        StationWeb web(scan, folder.filePath("station-process.log"), {settings.port, settings.address});
        EXPECT_EQ(web.Open("caption").value_or(QString()), settings.line) << settings.address;
        EXPECT_EQ(web.Port(), 0);
    }
}

// Names a receiving station's files could have (only '/' and NUL cannot be in one), each with its
// Content-Disposition worked out by hand from RFC 6266 and RFC 5987.
TEST_F(StationServerTest, AFileNameReachesNoHeaderRaw) {
    const struct {
        QString name;
        QByteArray disposition;
    } cases[] = {
        {"OR_ABI-L1b-RadF-M6C01_G16_s20253411200205\"\r\nSet-Cookie: pwned=1\r\nX-Evil: "
         "\"_e20253411209513_c20253411209572.png",
         "inline; filename=\"OR_ABI-L1b-RadF-M6C01_G16_s20253411200205___Set-Cookie: pwned=1__X-Evil: "
         "__e20253411209513_c20253411209572.png\"; filename*=UTF-8''OR_ABI-L1b-RadF-M6C01_G16_s20253411200205"
         "%22%0D%0ASet-Cookie%3A%20pwned%3D1%0D%0AX-Evil%3A%20%22_e20253411209513_c20253411209572.png"},
        {"band 13 \"quoted\" \\back\\slash 100%.png",
         "inline; filename=\"band 13 _quoted_ _back_slash 100_.png\"; "
         "filename*=UTF-8''band%2013%20%22quoted%22%20%5Cback%5Cslash%20100%25.png"},
        {QString::fromUtf8("Wolkenbänder 雲.jpg"),
         "inline; filename=\"Wolkenb_nder _.jpg\"; filename*=UTF-8''Wolkenb%C3%A4nder%20%E9%9B%B2.jpg"},
        {"a\tb\x7f"
         "c!#$&+^`|~;,.png",
         "inline; filename=\"a_b_c!#$&+^`|~;,.png\"; filename*=UTF-8''a%09b%7Fc!#$&+^`|~%3B%2C.png"},
    };
    QStringList paths;
    for (const auto& file : cases) {
        QFile image(folder.filePath(file.name));
        ASSERT_TRUE(image.open(QIODevice::WriteOnly) && image.write("IMAGE") == 5) << qPrintable(file.name);
        paths << image.fileName();
    }
    RecordImages(paths);
    const auto web = OpenPage();
    const QList<QByteArray> expectedFields{
        "cache-control", "content-disposition", "content-length",         "content-security-policy",
        "content-type",  "referrer-policy",     "x-content-type-options", "x-frame-options"};
    for (int band = 0; band < std::ssize(cases); ++band) {
        const std::optional<HttpAnswer> answer = Get(port, "/image/B0" + QByteArray::number(band + 1));
        ASSERT_TRUE(answer) << band;
        EXPECT_EQ(answer->status, 200);
        EXPECT_EQ(answer->body, "IMAGE");
        // Every line of the head ends with CR LF, and no CR or LF stands anywhere else.
        const QByteArray lines = answer->head.chopped(4);
        EXPECT_EQ(lines.count('\r'), lines.count("\r\n")) << lines.constData();
        EXPECT_EQ(lines.count('\n'), lines.count("\r\n")) << lines.constData();
        EXPECT_EQ(answer->headers.keys(), expectedFields) << lines.constData();
        EXPECT_EQ(answer->headers.value("content-disposition"), cases[band].disposition);
    }
}

TEST_F(StationServerTest, EveryAnswerCarriesTheProtectiveFields) {
    const auto web = OpenPage({.requestBytes = 4096});
    const struct {
        QByteArray method, target, extra;
        int status;
    } requests[] = {
        {"GET", "/", {}, 200},
        {"HEAD", "/", {}, 200},
        {"GET", "/status.json", {}, 200},
        {"GET", "/metrics", {}, 200},
        {"GET", "/thumbnail/B13.jpg", {}, 404},
        {"GET", "/image/B13", {}, 404},
        {"GET", "/nothing", {}, 404},
        {"POST", "/", "Content-Length: 0\r\n", 405},
        {"GET", "/", "X-Filler: " + QByteArray(8000, 'x') + "\r\n", 413},
    };
    for (const auto& request : requests) {
        const std::optional<HttpAnswer> answer = Fetch(port, request.method, request.target, request.extra);
        ASSERT_TRUE(answer) << request.target.constData();
        EXPECT_EQ(answer->status, request.status) << request.target.constData();
        const QByteArray policy = answer->headers.value("content-security-policy");
        EXPECT_TRUE(policy.startsWith("default-src 'self'; ")) << policy.constData();
        EXPECT_TRUE(policy.contains("; frame-ancestors 'none'")) << policy.constData();
        EXPECT_EQ(answer->headers.value("x-frame-options"), "DENY");
        EXPECT_EQ(answer->headers.value("referrer-policy"), "no-referrer");
        EXPECT_EQ(answer->headers.value("x-content-type-options"), "nosniff");
    }
}

// The page's inline style sheet and script are the only ones its policy lets a browser apply.
TEST_F(StationServerTest, ThePolicyAllowsExactlyThePagesOwnStyleAndScript) {
    const auto web = OpenPage();
    const std::optional<HttpAnswer> page = Get(port, "/");
    ASSERT_TRUE(page);
    const auto hashSource = [&](const QString& element) {
        const QRegularExpressionMatch inline_ =
            QRegularExpression("<" + element + ">(.*)</" + element + ">",
                               QRegularExpression::DotMatchesEverythingOption)
                .match(QString::fromUtf8(page->body));
        EXPECT_TRUE(inline_.hasMatch()) << qPrintable(element);
        return "'sha256-" +
               QCryptographicHash::hash(inline_.captured(1).toUtf8(), QCryptographicHash::Sha256).toBase64() +
               "'";
    };
    EXPECT_EQ(page->headers.value("content-security-policy"),
              "default-src 'self'; script-src " + hashSource("script") + "; style-src " +
                  hashSource("style") + "; frame-ancestors 'none'; base-uri 'none'; form-action 'none'");
    EXPECT_FALSE(page->body.contains(" style=")) << "an inline style attribute, which the policy blocks";
}

TEST_F(StationServerTest, ConnectionCloseEndsTheConnectionAfterAnyAnswer) {
    QFile image(folder.filePath("image.png"));
    ASSERT_TRUE(image.open(QIODevice::WriteOnly) && image.write(QByteArray(3'000'000, 'p')) == 3'000'000);
    image.close();
    RecordImages({image.fileName()});
    const auto web = OpenPage();
    const struct {
        QByteArray request;
        int status;
    } cases[] = {
        {"GET / HTTP/1.1\r\nHost: station\r\nConnection: close\r\n\r\n", 200},
        {"HEAD /status.json HTTP/1.1\r\nHost: station\r\nconnection: Keep-Alive, Close\r\n\r\n", 200},
        {"GET /image/B01 HTTP/1.1\r\nHost: station\r\nConnection: close\r\n\r\n", 200},
        {"GET /nothing HTTP/1.1\r\nHost: station\r\nConnection: close\r\n\r\n", 404},
        {"DELETE / HTTP/1.1\r\nHost: station\r\nContent-Length: 0\r\nConnection: close\r\n\r\n", 405},
    };
    for (const auto& request : cases) {
        const auto client = Connect(request.request);
        QByteArray received;
        EXPECT_TRUE(QTest::qWaitFor(
            [&] {
                received += client->readAll();
                return client->state() == QAbstractSocket::UnconnectedState;
            },
            10000))
            << request.request.constData();
        received += client->readAll();
        const std::optional<HttpAnswer> answer = ParseAnswer(received, request.request.startsWith("HEAD"));
        ASSERT_TRUE(answer) << request.request.constData();
        EXPECT_EQ(answer->status, request.status);
        EXPECT_EQ(answer->headers.value("connection"), "close");
    }
    // Without it, the connection stays for the next request.
    const auto client = Connect();
    for (const auto& [target, status] : {std::pair{"/nothing", 404}, std::pair{"/status.json", 200}}) {
        client->write("GET " + QByteArray(target) + " HTTP/1.1\r\nHost: station\r\n\r\n");
        QByteArray received;
        ASSERT_TRUE(QTest::qWaitFor(
            [&] {
                received += client->readAll();
                return ParseAnswer(received, false).has_value();
            },
            10000))
            << target;
        EXPECT_EQ(ParseAnswer(received, false)->status, status);
        EXPECT_FALSE(ParseAnswer(received, false)->headers.contains("connection"));
    }
}
