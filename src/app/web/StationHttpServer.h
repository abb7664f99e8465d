// The station's web server: answers GET and HEAD for the page, the status data, the metrics and the bands'
// pictures, each a fixed path (StationPage.h); nothing in a request is ever used as a file name, and the only
// files it sends are the bands' images as the program recorded them. Every other path is 404, every other
// method 405. It runs on a thread of its own and reads the station's state through published snapshots.
#pragma once

#include "ProcessingOptions.h"
#include "StationStatus.h"

#include <QAbstractHttpServer>
#include <functional>

class StationHttpServer : public QAbstractHttpServer {
    Q_OBJECT
public:
    // options: the folders whose space the page shows; called on the server's thread.
    StationHttpServer(const StationStatus& status, std::function<ProcessingOptions()> options);

protected:
    bool handleRequest(const QHttpServerRequest& request, QTcpSocket* socket) override;
    void missingHandler(const QHttpServerRequest& request, QTcpSocket* socket) override;

private:
    const StationStatus& status_;
    const std::function<ProcessingOptions()> options_;
};
