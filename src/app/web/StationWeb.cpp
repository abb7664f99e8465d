// Opening the page and following the window's reports.
#include "StationWeb.h"

#include "InstanceName.h"
#include "LogTail.h"
#include "ScanReports.h"
#include "StationHttpServer.h"

#include <QHostAddress>

namespace {

constexpr int kHighestPort = 65535;

QString Where(const QHostAddress& address, quint16 port) {
    const QString host = address.protocol() == QAbstractSocket::IPv6Protocol ? "[" + address.toString() + "]"
                                                                             : address.toString();
    return host + ":" + QString::number(port);
}

QDateTime Now() {
    return QDateTime::currentDateTimeUtc();
}

} // namespace

StationWeb::StationWeb(ScanController& scan, const QString& logFileName, WebPlace place, ClientBounds bounds)
    : scan_(scan), logFileName_(logFileName), bounds_(bounds), place_(std::move(place)),
      stayingRecord_(StayingRecordFileName(logFileName)) {}

StationWeb::~StationWeb() {
    serverThread_.quit();
    serverThread_.wait();
}

std::optional<QString> StationWeb::Open(const QString& caption) {
    if (place_.port == 0 || status_) return std::nullopt;
    const QString notOpened = QStringLiteral("Web page not opened: ");
    if (place_.port < 0 || place_.port > kHighestPort)
        return notOpened + "WebPort " + QString::number(place_.port) + " is not a port (1 to 65535)";
    QHostAddress address;
    if (!address.setAddress(place_.address))
        return notOpened + "WebAddress \"" + place_.address + "\" is not an IP address";
    const auto port = static_cast<quint16>(place_.port);
    auto listener = std::make_unique<GuardedTcpServer>(bounds_);
    if (!listener->listen(address, port))
        return notOpened + "cannot listen on " + Where(address, port) + ": " + listener->errorString();
    port_ = listener->serverPort();

    recorded_ = ReadStayingRecord(stayingRecord_);
    status_ = std::make_unique<StationStatus>(ProgramName(), STRATOLUX_VERSION, Now(), recorded_);
    status_->SetCaption(caption);
    status_->AddLogLines(LastLinesOf(logFileName_, kPageLogLines));
    status_->SetRunning(scan_.Running(), scan_.NextScanAt());
    views_ = std::make_unique<ReducedViews>();
    Follow();
    // The bands' images of earlier runs; their thumbnails follow when the window restores them.
    const ProcessingOptions options = scan_.Options();
    for (int band = 0; band < kBandCount; ++band) {
        status_->SetImage(band, options.lastSaved[band], QString(), QImage());
        views_->Request(band, options.lastSaved[band]);
    }

    server_ = new StationHttpServer(*status_, [&scan = scan_] { return scan.Options(); });
    server_->bind(listener.release());
    server_->moveToThread(&serverThread_);
    connect(&serverThread_, &QThread::finished, server_, &QObject::deleteLater);
    serverThread_.setObjectName("StationWeb");
    serverThread_.start();
    return "Web page at http://" + Where(address, port_) + "/";
}

void StationWeb::Follow() {
    StationStatus& status = *status_;
    connect(&scan_, &ScanController::RunningChanged, this,
            [this, &status](bool running) { status.SetRunning(running, scan_.NextScanAt()); });
    connect(&scan_, &ScanController::ScanStarted, this, [&status] { status.ScanStarted(Now()); });
    connect(&scan_, &ScanController::ScanEnded, this, [this, &status](bool singleFile) {
        // A scan that Stop cut short, or that looked at the named file only, has not seen every staying file.
        status.ScanEnded(Now(), scan_.NextScanAt(), !singleFile && scan_.Running());
        KeepStayingRecord();
    });
    connect(&scan_, &ScanController::FileReported, this, [this, &status](const FileOutcome& outcome) {
        status.AddOutcome(outcome, Now());
        if (outcome.Processed()) views_->Request(outcome.BandIndex(), outcome.imagePath);
    });
    connect(&scan_, &ScanController::ThumbnailRestored, this,
            [this, &status](int band, const QString& path, const QImage& thumbnail) {
                status.SetImage(band, path, RestoredThumbnailHint(path), thumbnail);
                views_->Request(band, path);
            });
    connect(&scan_, &ScanController::ClearThumbnailsRequested, this, [&status] { status.ClearThumbnails(); });
    connect(views_.get(), &ReducedViews::Made, this,
            [&status](int band, const QString& path, const QByteArray& jpeg) {
                status.SetView(band, path, jpeg);
            });
}

void StationWeb::KeepStayingRecord() {
    StayingSince since = status_->Since();
    if (since == recorded_) return;
    recorded_ = since;
    // A record that cannot be written costs only the times shown after the next start.
    recordWrites_.Post([fileName = stayingRecord_, since = std::move(since)] {
        static_cast<void>(WriteStayingRecord(fileName, since));
    });
}

void StationWeb::SetCaption(const QString& caption) {
    if (status_) status_->SetCaption(caption);
}

void StationWeb::AddLogLine(const QString& line) {
    if (status_) status_->AddLogLines({line});
}
