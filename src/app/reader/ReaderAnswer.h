// What the reader's process tells the program about one file: its outcome, and for an image read the
// size and row length of the grey rows it left in the shared memory and the projection longitude.
#pragma once

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
};

QByteArray EncodeReaderAnswer(const ReaderAnswer& answer);
// None when the bytes are not one whole answer.
std::optional<ReaderAnswer> DecodeReaderAnswer(const QByteArray& bytes);

// Where the reader's process finds its two channels.
inline constexpr int kReaderPixelDescriptor = 3;
inline constexpr int kReaderAnswerDescriptor = 4;
