// The request and the answer on the reader's channels: what one side encodes the other decodes unchanged,
// and a message cut short anywhere is refused.
#include "ReaderMessages.h"

#include <QList>
#include <cmath>
#include <gtest/gtest.h>
#include <utility>
#include <vector>

namespace {

// Built when a test runs: the name decoder's own constants are not there yet while globals are made.
std::vector<AbiReadRequest> Requests() {
    const QString received = QStringLiteral(
        "/data/received/OR_ABI-L1b-RadF-M6C13_G16_s20250212002045_e20250212011353_c20250212011412.nc");
    return {
        {QStringLiteral("/data/archive/.OR_ABI-L1b-RadF-M6C13_G16_s20250212002045.nc.reading"),
         DecodeAbiFileName(received), std::chrono::seconds(30), AbiReadLeniency()},
        {QStringLiteral("/media/Empfänger/日本/band 02.nc"), std::nullopt, std::chrono::milliseconds(0),
         AbiReadLeniency::ForNamedFile()},
        {QString(), std::nullopt, std::chrono::hours(24), AbiReadLeniency{false, true}},
    };
}

// The fixed grid of a GOES-East full disk at 2 km, as the files give it.
const AbiGeolocation kGoesEast{
    35786023.0, 6378137.0, 6356752.31414, -75.2, 'x', {5.6e-05f, -0.151844f}, {-5.6e-05f, 0.151844f}};

std::vector<ReaderAnswer> Answers() {
    AbiCompleteness incomplete;
    incomplete.gridPixels = 5424 * 5424;
    incomplete.validPixels = 18'483'126;
    incomplete.missingPixels = 4'620'782;
    incomplete.saturatedPixels = 0;
    incomplete.undersaturatedPixels = 17;
    incomplete.goodShare = 0.8f;
    incomplete.noValueShare = 0.2f;
    incomplete.uncorrectableErrors = 0.004f;
    incomplete.errorSource = AbiErrorSource::GRB;
    AbiCompleteness unstated;
    unstated.gridPixels = 97 * 97;
    return {
        {Status(), 5424, 5424, 5424, -75.2f, incomplete, kGoesEast},
        {Status(), 97, 97, 100, 137.0f, unstated, std::nullopt},
        {Failure{FailureCode::OutOfMemory, QStringLiteral("out of memory (96 × 96 image)")},
         0,
         0,
         0,
         0,
         {},
         kGoesEast},
        {Failure{FailureCode::NoRadianceVariable, QString()}, 0, 0, 0, 0, {}, std::nullopt},
    };
}

} // namespace

TEST(ReaderMessages, RequestsDecodeAsEncoded) {
    for (const AbiReadRequest& sent : Requests()) {
        const auto decoded = DecodeReaderRequest(EncodeReaderRequest(sent));
        ASSERT_TRUE(decoded.has_value()) << qPrintable(sent.path);
        EXPECT_EQ(decoded->path, sent.path);
        EXPECT_EQ(decoded->retryOpen, sent.retryOpen);
        EXPECT_EQ(decoded->leniency, sent.leniency);
        ASSERT_EQ(decoded->received.has_value(), sent.received.has_value());
        if (!sent.received) continue;
        EXPECT_EQ(decoded->received->satellite, sent.received->satellite);
        EXPECT_EQ(decoded->received->bandIndex, sent.received->bandIndex);
        EXPECT_EQ(decoded->received->scanMode, sent.received->scanMode);
        EXPECT_EQ(decoded->received->startTime, sent.received->startTime);
        EXPECT_EQ(decoded->received->nominalTime, sent.received->nominalTime);
        EXPECT_EQ(decoded->received->startField, sent.received->startField);
    }
}

TEST(ReaderMessages, ARequestForABandOrSatelliteThatDoesNotExistIsRefused) {
    for (const auto& [band, satellite] :
         {std::pair{16, 1}, std::pair{255, 1}, std::pair{0, 0}, std::pair{0, 5}}) {
        AbiReadRequest request = Requests()[0];
        ASSERT_TRUE(request.received);
        request.received->bandIndex = static_cast<std::uint8_t>(band);
        request.received->satellite = static_cast<SatelliteCode>(satellite);
        EXPECT_FALSE(DecodeReaderRequest(EncodeReaderRequest(request))) << band << " " << satellite;
    }
}

TEST(ReaderMessages, AnswersDecodeAsEncoded) {
    for (const ReaderAnswer& sent : Answers()) {
        const auto received = DecodeReaderAnswer(EncodeReaderAnswer(sent));
        ASSERT_TRUE(received.has_value());
        ASSERT_EQ(received->status.ok(), sent.status.ok());
        if (!sent.status) {
            EXPECT_EQ(received->status.failure().code, sent.status.failure().code);
            EXPECT_EQ(received->status.failure().message, sent.status.failure().message);
        }
        EXPECT_EQ(received->width, sent.width);
        EXPECT_EQ(received->height, sent.height);
        EXPECT_EQ(received->rowBytes, sent.rowBytes);
        EXPECT_EQ(received->longitude, sent.longitude);
        EXPECT_EQ(received->completeness, sent.completeness);
        EXPECT_EQ(received->geolocation, sent.geolocation);
    }
}

TEST(ReaderMessages, AnAnswerNamingAnErrorSourceThatDoesNotExistIsRefused) {
    QByteArray bytes = EncodeReaderAnswer(Answers()[0]);
    ASSERT_EQ(bytes.back(), static_cast<char>(AbiErrorSource::GRB));
    bytes.back() = 2;
    EXPECT_FALSE(DecodeReaderAnswer(bytes));
}

TEST(ReaderMessages, AnAnswerWithAProjectionThatIsNoneIsRefused) {
    const auto refused = [](auto change) {
        ReaderAnswer answer = Answers()[0];
        change(*answer.geolocation);
        return !DecodeReaderAnswer(EncodeReaderAnswer(answer));
    };
    EXPECT_TRUE(refused([](AbiGeolocation& g) { g.sweepAngleAxis = 'z'; }));
    EXPECT_TRUE(refused([](AbiGeolocation& g) { g.perspectivePointHeight = -1; }));
    EXPECT_TRUE(refused([](AbiGeolocation& g) { g.semiMinorAxis = g.semiMajorAxis + 1; }));
    EXPECT_TRUE(refused([](AbiGeolocation& g) { g.x.scale = 0; }));
    EXPECT_TRUE(refused([](AbiGeolocation& g) { g.y.offset = std::nan(""); }));
    EXPECT_FALSE(refused([](AbiGeolocation& g) { g.sweepAngleAxis = 'y'; }));
}

TEST(ReaderMessages, EveryMessageCutShortIsRefused) {
    QList<QByteArray> messages;
    for (const AbiReadRequest& request : Requests()) messages << EncodeReaderRequest(request);
    for (const ReaderAnswer& answer : Answers()) messages << EncodeReaderAnswer(answer);
    for (const QByteArray& message : messages)
        for (qsizetype length = 0; length < message.size(); ++length) {
            EXPECT_FALSE(DecodeReaderRequest(message.first(length))) << length << " of " << message.size();
            EXPECT_FALSE(DecodeReaderAnswer(message.first(length))) << length << " of " << message.size();
        }
}
