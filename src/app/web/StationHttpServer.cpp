// Answering one request.
#include "StationHttpServer.h"

#include "AnswerHead.h"
#include "ContentDisposition.h"
#include "FileStream.h"
#include "GreyJpeg.h"
#include "StationMetrics.h"
#include "StationPage.h"
#include "StatusJson.h"

#include <QFileInfo>
#include <QHttpServerRequest>
#include <QTcpSocket>

namespace {

constexpr int kThumbnailQuality = 90;

struct Answer {
    HttpStatus status = kOk;
    QByteArray type;
    QByteArray body;
};

Answer Plain(HttpStatus status, const QByteArray& text) {
    return {status, "text/plain; charset=utf-8", text + "\n"};
}

Answer NotFound() {
    return Plain(kNotFound, "404 Not found");
}

// How the connection goes on after the answer: closed when the request's Connection field says so.
FileStream::Then AfterAnswer(const QHttpServerRequest& request) {
    for (const QByteArray& option : request.value("connection").split(','))
        if (option.trimmed().compare("close", Qt::CaseInsensitive) == 0) return FileStream::Then::Close;
    return FileStream::Then::KeepOpen;
}

QList<HeadField> Fields(const QByteArray& type, qint64 length, FileStream::Then then) {
    QList<HeadField> fields{{"Content-Type", type}, {"Content-Length", QByteArray::number(length)}};
    if (then == FileStream::Then::Close) fields.append(HeadField{"Connection", "close"});
    return fields;
}

// False when the client is gone.
bool Write(QTcpSocket& socket, const QByteArray& bytes) {
    if (socket.write(bytes) == bytes.size()) return true;
    socket.abort();
    return false;
}

void Send(QTcpSocket& socket, const Answer& answer, bool headOnly, FileStream::Then then) {
    QList<HeadField> fields = Fields(answer.type, answer.body.size(), then);
    if (answer.status.code == kMethodNotAllowed.code) fields.append(HeadField{"Allow", "GET, HEAD"});
    if (Write(socket, AnswerHead(answer.status, fields) + (headOnly ? QByteArray() : answer.body)) &&
        then == FileStream::Then::Close)
        socket.disconnectFromHost();
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
    if (!jpeg) return Plain(kInternalServerError, jpeg.failure().message.toUtf8());
    return {kOk, "image/jpeg", *jpeg};
}

// The band's image file as the program recorded it, streamed; false when there is none to send.
bool SendImageFile(QTcpSocket& socket, const QString& path, bool headOnly, FileStream::Then then) {
    auto file = std::make_unique<QFile>(path);
    const QFileInfo info(path);
    if (path.isEmpty() || !info.isFile() || !file->open(QIODevice::ReadOnly)) return false;
    const bool png = info.suffix().compare("png", Qt::CaseInsensitive) == 0;
    QList<HeadField> fields = Fields(png ? "image/png" : "image/jpeg", file->size(), then);
    fields.append(HeadField{"Content-Disposition", InlineDisposition(info.fileName())});
    if (!Write(socket, AnswerHead(kOk, fields))) return true;
    if (!headOnly && file->size() > 0)
        FileStream::Start(socket, std::move(file), then);
    else if (then == FileStream::Then::Close)
        socket.disconnectFromHost();
    return true;
}

} // namespace

StationHttpServer::StationHttpServer(const StationStatus& status, std::function<ProcessingOptions()> options)
    : status_(status), options_(std::move(options)) {}

bool StationHttpServer::handleRequest(const QHttpServerRequest& request, QTcpSocket* socket) {
    // A client that asks again before it has taken the last answer would pile answers (and open files) up
    // without end: its connection is closed.
    if (socket->bytesToWrite() > 0) {
        socket->abort();
        return true;
    }
    const bool headOnly = request.method() == QHttpServerRequest::Method::Head;
    const FileStream::Then then = AfterAnswer(request);
    if (!headOnly && request.method() != QHttpServerRequest::Method::Get) {
        Send(*socket, Plain(kMethodNotAllowed, "405 Only GET and HEAD"), false, then);
        return true;
    }
    // Still percent-encoded (the URL decodes only letters, digits and "-._~"), so that an encoded "/" or
    // any other encoded character matches none of the fixed paths.
    const QString path = request.url().path(QUrl::FullyEncoded);
    const std::shared_ptr<const StationSnapshot> snapshot = status_.Snapshot();
    const auto facts = [&] { return GatherFacts(snapshot, options_(), QDateTime::currentDateTimeUtc()); };

    Answer answer = NotFound();
    if (path == "/") {
        answer = {kOk, "text/html; charset=utf-8", StationPage(facts())};
    } else if (path == "/status.json") {
        answer = {kOk, "application/json", StatusJson(facts())};
    } else if (path == "/metrics") {
        answer = {kOk, kMetricsContentType, StationMetrics(facts())};
    } else if (const int band = BandNamed(path, ThumbnailPath); band >= 0) {
        answer = Thumbnail(snapshot->bands[band]);
    } else if (const int band = BandNamed(path, ViewPath);
               band >= 0 && !snapshot->bands[band].view.isEmpty()) {
        answer = {kOk, "image/jpeg", snapshot->bands[band].view};
    } else if (const int band = BandNamed(path, ImagePath); band >= 0) {
        if (SendImageFile(*socket, snapshot->bands[band].path, headOnly, then)) return true;
    }
    Send(*socket, answer, headOnly, then);
    return true;
}

void StationHttpServer::missingHandler(const QHttpServerRequest& request, QTcpSocket* socket) {
    Send(*socket, NotFound(), request.method() == QHttpServerRequest::Method::Head, AfterAnswer(request));
}
