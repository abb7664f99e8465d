// The request and the answer on the reader's channels: what one side encodes the other decodes unchanged,
// and a message cut short anywhere is refused.
#include "ReaderMessages.h"

#include <QList>
#include <gtest/gtest.h>

namespace {

const ReaderRequest kRequests[] = {
    {QStringLiteral("/data/received/OR_ABI-L1b-RadF-M6C13_G16_s20250212002045.nc"), std::chrono::seconds(30),
     false},
    {QStringLiteral("/media/Empfänger/日本/band 02.nc"), std::chrono::milliseconds(0), true},
    {QString(), std::chrono::hours(24), false},
};

const ReaderAnswer kAnswers[] = {
    {Status(), 5424, 5424, 5424, -75.2f},
    {Status(), 97, 97, 100, 137.0f},
    {Failure{FailureCode::OutOfMemory, QStringLiteral("out of memory (96 × 96 image)")}, 0, 0, 0, 0},
    {Failure{FailureCode::NoRadianceVariable, QString()}, 0, 0, 0, 0},
};

} // namespace

TEST(ReaderMessages, RequestsDecodeAsEncoded) {
    for (const ReaderRequest& sent : kRequests) {
        const auto received = DecodeReaderRequest(EncodeReaderRequest(sent));
        ASSERT_TRUE(received.has_value()) << qPrintable(sent.fileName);
        EXPECT_EQ(received->fileName, sent.fileName);
        EXPECT_EQ(received->retryOpen, sent.retryOpen);
        EXPECT_EQ(received->singleFileMode, sent.singleFileMode);
    }
}

TEST(ReaderMessages, AnswersDecodeAsEncoded) {
    for (const ReaderAnswer& sent : kAnswers) {
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
    }
}

TEST(ReaderMessages, EveryMessageCutShortIsRefused) {
    QList<QByteArray> messages;
    for (const ReaderRequest& request : kRequests) messages << EncodeReaderRequest(request);
    for (const ReaderAnswer& answer : kAnswers) messages << EncodeReaderAnswer(answer);
    for (const QByteArray& message : messages)
        for (qsizetype length = 0; length < message.size(); ++length) {
            EXPECT_FALSE(DecodeReaderRequest(message.first(length))) << length << " of " << message.size();
            EXPECT_FALSE(DecodeReaderAnswer(message.first(length))) << length << " of " << message.size();
        }
}
