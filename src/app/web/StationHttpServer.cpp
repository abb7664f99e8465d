// Answering one request.
#include "StationHttpServer.h"

#include "FileStream.h"
#include "GreyJpeg.h"
#include "StationMetrics.h"
#include "StationPage.h"
#include "StatusJson.h"

#include <QFileInfo>
#include <QHttpServerRequest>
#include <QHttpServerResponder>
#include <QTcpSocket>

namespace {

using StatusCode = QHttpServerResponder::StatusCode;

constexpr int kThumbnailQuality = 90;

struct Answer {
    StatusCode status = StatusCode::Ok;
    QByteArray type;
    QByteArray body;
};

Answer Plain(StatusCode status, const QByteArray& text) {
    return {status, "text/plain; charset=utf-8", text + "\n"};
}

Answer NotFound() {
    return Plain(StatusCode::NotFound, "404 Not found");
}

void WriteHead(QHttpServerResponder& responder, StatusCode status, const QByteArray& type, qint64 length) {
    responder.writeStatusLine(status);
    responder.writeHeader("Content-Type", type);
    responder.writeHeader("Content-Length", QByteArray::number(length));
    responder.writeHeader("Cache-Control", "no-cache");
    responder.writeHeader("X-Content-Type-Options", "nosniff");
}

void Send(QHttpServerResponder& responder, const Answer& answer, bool headOnly) {
    WriteHead(responder, answer.status, answer.type, answer.body.size());
    if (answer.status == StatusCode::MethodNotAllowed) responder.writeHeader("Allow", "GET, HEAD");
    responder.writeBody(headOnly ? QByteArray() : answer.body);
}

// The band whose picture of the given kind the path names; -1 for none.
int BandNamed(const QString& path, QString (*pathOf)(int band)) {
    for (int band = 0; band < kBandCount; ++band)
        if (path == pathOf(band)) return band;
    return -1;
}

Answer Thumbnail(const BandImage& image) {
    if (image.thumbnail.isNull()) return NotFound();
    Result<QByteArray> jpeg = EncodeGreyJpeg(image.thumbnail, kThumbnailQuality);
    if (!jpeg) return Plain(StatusCode::InternalServerError, jpeg.failure().message.toUtf8());
    return {StatusCode::Ok, "image/jpeg", *jpeg};
}

// The band's image file as the program recorded it, streamed; false when there is none to send.
bool SendImageFile(QHttpServerResponder& responder, QTcpSocket& socket, const QString& path, bool headOnly) {
    auto file = std::make_unique<QFile>(path);
    if (path.isEmpty() || !QFileInfo(path).isFile() || !file->open(QIODevice::ReadOnly)) return false;
    const bool png = QFileInfo(path).suffix().compare("png", Qt::CaseInsensitive) == 0;
    WriteHead(responder, StatusCode::Ok, png ? "image/png" : "image/jpeg", file->size());
    responder.writeHeader("Content-Disposition",
                          "inline; filename=\"" + QFileInfo(path).fileName().toUtf8() + "\"");
    responder.writeBody(QByteArray());
    if (!headOnly && file->size() > 0) FileStream::Start(socket, std::move(file));
    return true;
}

} // namespace

StationHttpServer::StationHttpServer(const StationStatus& status, std::function<ProcessingOptions()> options)
    : status_(status), options_(std::move(options)) {}

bool StationHttpServer::handleRequest(const QHttpServerRequest& request, QTcpSocket* socket) {
    QHttpServerResponder responder = makeResponder(request, socket);
    const bool headOnly = request.method() == QHttpServerRequest::Method::Head;
    if (!headOnly && request.method() != QHttpServerRequest::Method::Get) {
        Send(responder, Plain(StatusCode::MethodNotAllowed, "405 Only GET and HEAD"), false);
        return true;
    }
    // Still percent-encoded (the URL decodes only letters, digits and "-._~"), so that an encoded "/" or
    // any other encoded character matches none of the fixed paths.
    const QString path = request.url().path(QUrl::FullyEncoded);
    const std::shared_ptr<const StationSnapshot> snapshot = status_.Snapshot();
    const auto facts = [&] { return GatherFacts(snapshot, options_(), QDateTime::currentDateTimeUtc()); };

    Answer answer = NotFound();
    if (path == "/") {
        answer = {StatusCode::Ok, "text/html; charset=utf-8", StationPage(facts())};
    } else if (path == "/status.json") {
        answer = {StatusCode::Ok, "application/json", StatusJson(facts())};
    } else if (path == "/metrics") {
        answer = {StatusCode::Ok, kMetricsContentType, StationMetrics(facts())};
    } else if (const int band = BandNamed(path, ThumbnailPath); band >= 0) {
        answer = Thumbnail(snapshot->bands[band]);
    } else if (const int band = BandNamed(path, ViewPath);
               band >= 0 && !snapshot->bands[band].view.isEmpty()) {
        answer = {StatusCode::Ok, "image/jpeg", snapshot->bands[band].view};
    } else if (const int band = BandNamed(path, ImagePath); band >= 0) {
        if (SendImageFile(responder, *socket, snapshot->bands[band].path, headOnly)) return true;
    }
    Send(responder, answer, headOnly);
    return true;
}

void StationHttpServer::missingHandler(const QHttpServerRequest& request, QTcpSocket* socket) {
    QHttpServerResponder responder = makeResponder(request, socket);
    Send(responder, NotFound(), request.method() == QHttpServerRequest::Method::Head);
}
