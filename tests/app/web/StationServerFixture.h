// The station's web page opened on a free loopback port, and clients that meet it over real HTTP.
#pragma once

#include "HttpFetch.h"
#include "ScanController.h"
#include "StationWeb.h"
#include "TemporaryStore.h"

#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <gtest/gtest.h>

inline quint16 FreePort() {
    QTcpServer probe;
    return probe.listen(QHostAddress::LocalHost, 0) ? probe.serverPort() : 0;
}

class StationServerTest : public testing::Test {
protected:
    TTemporaryStore store;
    QTemporaryDir folder;
    ScanController scan;
    const quint16 port = FreePort();

    std::unique_ptr<StationWeb> OpenPage(ClientBounds bounds = {}) {
        auto web = std::make_unique<StationWeb>(scan, folder.filePath("station-process.log"),
                                                WebPlace{.port = port}, bounds);
        const std::optional<QString> line = web->Open("GOES-16 Stratolux");
        EXPECT_EQ(line, "Web page at http://127.0.0.1:" + QString::number(port) + "/");
        return web;
    }
    // The bands' newest images, B01 first, as the page finds them when it opens.
    void RecordImages(const QStringList& paths) {
        ProcessingOptions options = scan.Options();
        for (int band = 0; band < paths.size(); ++band) options.lastSaved[band] = paths[band];
        scan.PublishOptions(options);
    }
    // A connection from the given loopback address that has sent what it was given and waits.
    std::unique_ptr<QTcpSocket> Connect(const QByteArray& sent = {},
                                        const QHostAddress& from = QHostAddress::LocalHost) {
        auto socket = std::make_unique<QTcpSocket>();
        EXPECT_TRUE(socket->bind(from));
        socket->connectToHost(QHostAddress::LocalHost, port);
        EXPECT_TRUE(socket->waitForConnected(5000));
        socket->write(sent);
        socket->flush();
        return socket;
    }
};
