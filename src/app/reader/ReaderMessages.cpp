// The reader's request and answer as bytes on their channels.
#include "ReaderMessages.h"

#include <QDataStream>
#include <QIODevice>

namespace {

constexpr quint32 kRequestMark = 0x53525133; // "SRQ3"
constexpr quint32 kAnswerMark = 0x53524133;  // "SRA3"

// Whether the stream read everything it was asked for and nothing is left over.
bool WholeMessage(const QDataStream& in) {
    return in.status() == QDataStream::Ok && in.atEnd();
}

QDataStream& operator<<(QDataStream& out, const AbiFileInfo& name) {
    return out << name.satellite << name.bandIndex << name.scanMode << name.startTime << name.nominalTime
               << name.startField;
}

QDataStream& operator>>(QDataStream& in, AbiFileInfo& name) {
    return in >> name.satellite >> name.bandIndex >> name.scanMode >> name.startTime >> name.nominalTime >>
           name.startField;
}

QDataStream& operator<<(QDataStream& out, const AbiGeolocation& g) {
    return out << g.perspectivePointHeight << g.semiMajorAxis << g.semiMinorAxis
               << g.longitudeOfProjectionOrigin << static_cast<qint8>(g.sweepAngleAxis) << g.x.scale
               << g.x.offset << g.y.scale << g.y.offset;
}

QDataStream& operator>>(QDataStream& in, AbiGeolocation& g) {
    qint8 sweep = 0;
    in >> g.perspectivePointHeight >> g.semiMajorAxis >> g.semiMinorAxis >> g.longitudeOfProjectionOrigin >>
        sweep >> g.x.scale >> g.x.offset >> g.y.scale >> g.y.offset;
    g.sweepAngleAxis = static_cast<char>(sweep);
    return in;
}

template <typename T> QDataStream& operator<<(QDataStream& out, const std::optional<T>& value) {
    out << value.has_value();
    return value ? out << *value : out;
}

template <typename T> QDataStream& operator>>(QDataStream& in, std::optional<T>& value) {
    bool present = false;
    in >> present;
    if (!present) {
        value.reset();
        return in;
    }
    return in >> value.emplace();
}

QDataStream& operator<<(QDataStream& out, const AbiCompleteness& stated) {
    return out << stated.gridPixels << stated.validPixels << stated.missingPixels << stated.saturatedPixels
               << stated.undersaturatedPixels << stated.goodShare << stated.conditionallyUsableShare
               << stated.outOfRangeShare << stated.noValueShare << stated.uncorrectableErrors
               << static_cast<quint8>(stated.errorSource);
}

// Fails the stream for an error source that does not exist.
QDataStream& operator>>(QDataStream& in, AbiCompleteness& stated) {
    quint8 source = 0;
    in >> stated.gridPixels >> stated.validPixels >> stated.missingPixels >> stated.saturatedPixels >>
        stated.undersaturatedPixels >> stated.goodShare >> stated.conditionallyUsableShare >>
        stated.outOfRangeShare >> stated.noValueShare >> stated.uncorrectableErrors >> source;
    if (source > static_cast<quint8>(AbiErrorSource::GRB)) in.setStatus(QDataStream::ReadCorruptData);
    stated.errorSource = static_cast<AbiErrorSource>(source);
    return in;
}

bool Exists(const AbiFileInfo& name) {
    return name.satellite >= 1 && name.satellite <= kSatelliteCount && name.bandIndex < kBandCount;
}

} // namespace

QByteArray EncodeReaderRequest(const AbiReadRequest& request) {
    QByteArray bytes;
    QDataStream out(&bytes, QIODevice::WriteOnly);
    out << kRequestMark << request.path << static_cast<qint64>(request.retryOpen.count())
        << request.leniency.acceptFirstVariable << request.leniency.defaultFillValue
        << request.received.has_value();
    if (request.received) out << *request.received;
    return bytes;
}

std::optional<AbiReadRequest> DecodeReaderRequest(const QByteArray& bytes) {
    QDataStream in(bytes);
    quint32 mark = 0;
    AbiReadRequest request;
    qint64 retryOpen = 0;
    bool named = false;
    in >> mark >> request.path >> retryOpen >> request.leniency.acceptFirstVariable >>
        request.leniency.defaultFillValue >> named;
    if (named) in >> request.received.emplace();
    if (mark != kRequestMark || !WholeMessage(in) || retryOpen < 0) return std::nullopt;
    if (request.received && !Exists(*request.received)) return std::nullopt;
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
        << static_cast<qint64>(answer.rowBytes) << answer.longitude << answer.geolocation
        << answer.completeness;
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
    in >> width >> height >> rowBytes >> answer.longitude >> answer.geolocation >> answer.completeness;
    if (!WholeMessage(in)) return std::nullopt;
    // The program passes the values on as a projection: only a usable one is taken.
    if (answer.geolocation && !IsUsable(*answer.geolocation)) return std::nullopt;
    answer.width = width;
    answer.height = height;
    answer.rowBytes = static_cast<qsizetype>(rowBytes);
    return answer;
}
