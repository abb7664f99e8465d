// What the program and the reader's process say to each other about one file: the request, sent once the
// reader has started, and the answer, with its outcome and, for an image read, the size and row length of
// the grey rows it left in the shared memory, the projection longitude, how whole the image is and the
// geolocation.
#pragma once

#include "AbiCompleteness.h"
#include "AbiGeolocation.h"
#include "AbiReadRequest.h"
#include "Failure.h"

#include <QByteArray>
#include <QtGlobal>
#include <optional>

struct ReaderAnswer {
    Status status;
    int width = 0;
    int height = 0;
    qsizetype rowBytes = 0;
    float longitude = 0;
    AbiCompleteness completeness;
    std::optional<AbiGeolocation> geolocation;
};

QByteArray EncodeReaderRequest(const AbiReadRequest& request);
// None when the bytes are not one whole request, or name a band or satellite that does not exist.
std::optional<AbiReadRequest> DecodeReaderRequest(const QByteArray& bytes);

QByteArray EncodeReaderAnswer(const ReaderAnswer& answer);
// None when the bytes are not one whole answer.
std::optional<ReaderAnswer> DecodeReaderAnswer(const QByteArray& bytes);

// Where the reader's process finds its three channels.
inline constexpr int kReaderRequestDescriptor = 0;
inline constexpr int kReaderPixelDescriptor = 3;
inline constexpr int kReaderAnswerDescriptor = 4;
// More than any request or answer holds; neither side can make the other hoard bytes.
inline constexpr qsizetype kLargestReaderMessage = 1 << 20;
