// The reader's answer as bytes on the pipe from its process.
#include "ReaderAnswer.h"

#include <QDataStream>
#include <QIODevice>

namespace {

constexpr quint32 kAnswerMark = 0x53524131; // "SRA1"

} // namespace

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
    if (in.status() != QDataStream::Ok || !in.atEnd()) return std::nullopt;
    answer.width = width;
    answer.height = height;
    answer.rowBytes = static_cast<qsizetype>(rowBytes);
    return answer;
}
