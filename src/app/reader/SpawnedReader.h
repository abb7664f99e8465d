// The reader's helper program as a child process: started with exactly its channels, then asked once, with
// every way it can go wrong as a reason.
#pragma once

#include "Failure.h"
#include "OwnProcesses.h"
#include "UniqueFd.h"

#include <QByteArray>
#include <QString>
#include <chrono>
#include <functional>
#include <sys/types.h>

class SharedPixelFile;

class SpawnedReader {
public:
    // Starts the program with a socket for its request as standard input, /dev/null as standard output, the
    // pixel file as descriptor 3 and a pipe for its answer as descriptor 4; nothing else is inherited.
    static Result<SpawnedReader> Start(const QString& program, const SharedPixelFile& pixels);

    // A child never asked, or left while it works, is killed; every child is reaped.
    ~SpawnedReader();
    SpawnedReader(SpawnedReader&& other) noexcept;
    SpawnedReader& operator=(SpawnedReader&&) = delete;
    SpawnedReader(const SpawnedReader&) = delete;
    SpawnedReader& operator=(const SpawnedReader&) = delete;

    // Whether the bytes read so far are one whole answer.
    using AnswerTest = std::function<bool(const QByteArray&)>;

    // Sends the request and gives the child's answer as soon as it is whole, before the child has ended: it
    // may still be giving memory back. A crash, no whole answer within `within` of the request (the child is
    // then killed) or an end without one fail with ReaderCrashed, ReaderTimedOut or ReaderFailed. Once only.
    Result<QByteArray> Ask(const QByteArray& request, std::chrono::milliseconds within,
                           const AnswerTest& whole);

private:
    SpawnedReader(pid_t pid, UniqueFd request, UniqueFd answer);
    // The wait status; the child is gone afterwards.
    int Reap();

    pid_t pid_;
    // What the child holds open is the program's own until it is reaped.
    OwnProcessMark mark_;
    UniqueFd request_;
    UniqueFd answer_;
};
