// The station's web page, when the settings ask for it. It follows
// the scan, the log and the window's caption on the window's thread, keeps their state for the page, has the
// bands' reduced views made, and serves the page from a thread of its own, so that no client ever holds up
// the window or the scan.
#pragma once

#include "BackgroundWrites.h"
#include "GuardedTcpServer.h"
#include "ReducedViews.h"
#include "ScanController.h"
#include "StationStatus.h"

#include <QObject>
#include <QString>
#include <QThread>
#include <memory>
#include <optional>

class StationHttpServer;

// Where the page listens, as the settings WebPort and WebAddress give it: port 0 leaves the page off;
// 127.0.0.1 keeps it on this machine, 0.0.0.0 or an interface's address opens it to the network.
struct WebPlace {
    int port = 0;
    QString address = QStringLiteral("127.0.0.1");
};

class StationWeb : public QObject {
    Q_OBJECT
public:
    StationWeb(ScanController& scan, const QString& logFileName, WebPlace place, ClientBounds bounds = {});
    ~StationWeb() override;

    // Opens the page at its place, with the window's caption and the log's last lines. Returns the log line
    // that says where the page is, or why it could not be opened; none when the page is off.
    std::optional<QString> Open(const QString& caption);
    // The port the page listens on; 0 when it is not open.
    quint16 Port() const { return port_; }

public slots:
    void SetCaption(const QString& caption);
    // Every line the log writes, stamp included.
    void AddLogLine(const QString& line);

private:
    void Follow();
    // Has the record of the staying files written when it has changed, without the window waiting for it.
    void KeepStayingRecord();

    ScanController& scan_;
    const QString logFileName_;
    const ClientBounds bounds_;
    const WebPlace place_;
    const QString stayingRecord_;
    StayingSince recorded_;                 // as last written
    std::unique_ptr<StationStatus> status_; // while the page is open
    std::unique_ptr<ReducedViews> views_;
    QThread serverThread_;
    StationHttpServer* server_ = nullptr; // lives on serverThread_, deleted when it finishes
    quint16 port_ = 0;
    BackgroundWrites recordWrites_; // last: the writes posted end before anything else goes
};
