// The reader's request and answer as bytes on their channels.
#include "ReaderMessages.h"

#include <QDataStream>
#include <QIODevice>

namespace {

constexpr quint32 kRequestMark = 0x53525131; // "SRQ1"
constexpr quint32 kAnswerMark = 0x53524131;  // "SRA1"

// Whether the stream read everything it was asked for and nothing is left over.
bool WholeMessage(const QDataStream& in) {
    return in.status() == QDataStream::Ok && in.atEnd();
}

} // namespace

QByteArray EncodeReaderRequest(const ReaderRequest& request) {
    QByteArray bytes;
    QDataStream out(&bytes, QIODevice::WriteOnly);
    out << kRequestMark << request.fileName << static_cast<qint64>(request.retryOpen.count())
        << request.singleFileMode;
    return bytes;
}

std::optional<ReaderRequest> DecodeReaderRequest(const QByteArray& bytes) {
    QDataStream in(bytes);
    quint32 mark = 0;
    ReaderRequest request;
    qint64 retryOpen = 0;
    in >> mark >> request.fileName >> retryOpen >> request.singleFileMode;
    if (mark != kRequestMark || !WholeMessage(in) || retryOpen < 0) return std::nullopt;
    request.retryOpen = std::chrono::milliseconds(retryOpen);
    return request;
}

QByteArray EncodeReaderAnswer(const ReaderAnswer& answer) {
    QByteArray bytes;
    QDataStream out(&bytes, QIODevice::WriteOnly);
    out << kAnswerMark << answer.status.ok();
    if (!answer.status.ok())
        out << static_cast<qint32>(answer.status.failure().code) << answer.status.failure().message;
    out << static_cast<qint32>(answer.width) << static_cast<qint32>(answer.height)
        << static_cast<qint64>(answer.rowBytes) << answer.longitude;
    return bytes;
}

std::optional<ReaderAnswer> DecodeReaderAnswer(const QByteArray& bytes) {
    QDataStream in(bytes);
    quint32 mark = 0;
    bool ok = false;
    in >> mark >> ok;
    if (mark != kAnswerMark) return std::nullopt;
    ReaderAnswer answer;
    if (!ok) {
        qint32 code = 0;
        QString message;
        in >> code >> message;
        answer.status = Failure{static_cast<FailureCode>(code), message};
    }
    qint32 width = 0, height = 0;
    qint64 rowBytes = 0;
    in >> width >> height >> rowBytes >> answer.longitude;
    if (!WholeMessage(in)) return std::nullopt;
    answer.width = width;
    answer.height = height;
    answer.rowBytes = static_cast<qsizetype>(rowBytes);
    return answer;
}
