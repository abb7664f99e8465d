// POSIX part of the reader's process: posix_spawn with exactly the descriptors it needs, the request on a
// socket, the answer read from a pipe within the time allowed, and the way it ended.
#include "SpawnedReader.h"

#include "ReaderMessages.h"
#include "SharedPixelFile.h"
#include "WriteAll.h"

#include <QFile>
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <utility>

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;

QString DurationText(std::chrono::milliseconds duration) {
    using namespace std::chrono;
    if (duration % minutes(1) == milliseconds(0))
        return QStringLiteral("%1 min").arg(duration_cast<minutes>(duration).count());
    if (duration % seconds(1) == milliseconds(0))
        return QStringLiteral("%1 s").arg(duration_cast<seconds>(duration).count());
    return QStringLiteral("%1 ms").arg(duration.count());
}

// A copy of the descriptor numbered above the child's standard ones and its channels, so that placing the
// channels at 0, 3 and 4 can never overwrite one with another.
Result<UniqueFd> CopyAboveChannels(int fd) {
    const int copy = ::fcntl(fd, F_DUPFD_CLOEXEC, kReaderAnswerDescriptor + 1);
    if (copy < 0)
        return SystemFailure(FailureCode::ReaderFailed,
                             QStringLiteral("cannot pass the reader its channels"));
    return UniqueFd(copy);
}

class SpawnSetup {
public:
    SpawnSetup() {
        ready_ = ::posix_spawn_file_actions_init(&actions_) == 0;
        if (ready_ && ::posix_spawnattr_init(&attributes_) != 0) {
            ::posix_spawn_file_actions_destroy(&actions_);
            ready_ = false;
        }
    }
    ~SpawnSetup() {
        if (!ready_) return;
        ::posix_spawnattr_destroy(&attributes_);
        ::posix_spawn_file_actions_destroy(&actions_);
    }
    SpawnSetup(const SpawnSetup&) = delete;
    SpawnSetup& operator=(const SpawnSetup&) = delete;

    // The child gets the request channel as input, /dev/null as output, the inherited standard error, the
    // pixel and answer channels, and no other descriptor; default dispositions, whatever the starting thread
    // had; and a process group of its own, so that a Ctrl-C in the program's terminal reaches only the
    // program. A stop meant for the program is blocked from the start, so that one arriving before the
    // reader has set it aside cannot end it either.
    bool Prepare(int requestFd, int pixelFd, int answerFd) {
        sigset_t stops, all;
        return ready_ && ::sigemptyset(&stops) == 0 && ::sigaddset(&stops, SIGINT) == 0 &&
               ::sigaddset(&stops, SIGTERM) == 0 && ::sigaddset(&stops, SIGHUP) == 0 &&
               ::sigfillset(&all) == 0 && ::posix_spawnattr_setsigmask(&attributes_, &stops) == 0 &&
               ::posix_spawnattr_setsigdefault(&attributes_, &all) == 0 &&
               ::posix_spawnattr_setpgroup(&attributes_, 0) == 0 &&
               ::posix_spawnattr_setflags(&attributes_, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF |
                                                            POSIX_SPAWN_SETPGROUP) == 0 &&
               ::posix_spawn_file_actions_adddup2(&actions_, requestFd, kReaderRequestDescriptor) == 0 &&
               ::posix_spawn_file_actions_addopen(&actions_, STDOUT_FILENO, "/dev/null", O_WRONLY, 0) == 0 &&
               ::posix_spawn_file_actions_adddup2(&actions_, pixelFd, kReaderPixelDescriptor) == 0 &&
               ::posix_spawn_file_actions_adddup2(&actions_, answerFd, kReaderAnswerDescriptor) == 0 &&
               ::posix_spawn_file_actions_addclosefrom_np(&actions_, kReaderAnswerDescriptor + 1) == 0;
    }

    const posix_spawn_file_actions_t* Actions() const { return &actions_; }
    const posix_spawnattr_t* Attributes() const { return &attributes_; }

private:
    bool ready_ = false;
    posix_spawn_file_actions_t actions_{};
    posix_spawnattr_t attributes_{};
};

enum class Collected { Answer, EndOfPipe, TimedOut, ReadFailed };

// Reads the pipe until the bytes hold a whole answer, every writer has closed it, or the deadline; `error`
// tells why a read failed.
Collected CollectAnswer(int fd, Clock::time_point deadline, const SpawnedReader::AnswerTest& whole,
                        QByteArray& bytes, int& error) {
    char buffer[4096];
    for (;;) {
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now());
        if (left.count() <= 0) return Collected::TimedOut;
        pollfd readable{fd, POLLIN, 0};
        const int ready = ::poll(&readable, 1, static_cast<int>(std::min<long long>(left.count(), INT_MAX)));
        if (ready < 0 && errno != EINTR) {
            error = errno;
            return Collected::ReadFailed;
        }
        if (ready <= 0) continue;
        const ssize_t got = ::read(fd, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) {
            error = errno;
            return Collected::ReadFailed;
        }
        if (got == 0) return Collected::EndOfPipe;
        if (bytes.size() < kLargestReaderMessage) bytes.append(buffer, got);
        if (whole(bytes)) return Collected::Answer;
    }
}

Failure CrashFailure(int signal) {
    const char* description = ::sigdescr_np(signal);
    return {FailureCode::ReaderCrashed,
            QStringLiteral("reader crashed (signal %1, %2)")
                .arg(signal)
                .arg(description ? QString::fromLocal8Bit(description) : QStringLiteral("unknown signal"))};
}

} // namespace

Result<SpawnedReader> SpawnedReader::Start(const QString& program, const SharedPixelFile& pixels) {
    int pipeEnds[2];
    if (::pipe2(pipeEnds, O_CLOEXEC) != 0)
        return SystemFailure(FailureCode::ReaderFailed, QStringLiteral("cannot open a pipe to the reader"));
    UniqueFd answerRead(pipeEnds[0]);
    UniqueFd pipeWrite(pipeEnds[1]);
    int socketEnds[2];
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, socketEnds) != 0)
        return SystemFailure(FailureCode::ReaderFailed, QStringLiteral("cannot open a socket to the reader"));
    UniqueFd requestWrite(socketEnds[0]);
    UniqueFd socketRead(socketEnds[1]);
    auto answerWrite = CopyAboveChannels(pipeWrite.Get());
    auto requestRead = CopyAboveChannels(socketRead.Get());
    auto pixelFd = CopyAboveChannels(pixels.Descriptor());
    pipeWrite.Reset();
    socketRead.Reset();
    if (!answerWrite) return answerWrite.failure();
    if (!requestRead) return requestRead.failure();
    if (!pixelFd) return pixelFd.failure();

    SpawnSetup setup;
    if (!setup.Prepare(requestRead->Get(), pixelFd->Get(), answerWrite->Get()))
        return Failure{FailureCode::ReaderFailed, QStringLiteral("cannot prepare the reader's start")};
    QByteArray path = QFile::encodeName(program);
    char* argv[] = {path.data(), nullptr};
    pid_t pid = 0;
    if (const int error = ::posix_spawn(&pid, argv[0], setup.Actions(), setup.Attributes(), argv, environ))
        return SystemFailure(FailureCode::ReaderFailed,
                             QStringLiteral("cannot start the reader %1").arg(program), error);
    // Only the child holds the write end of the answer pipe now, so the end of its answer is the end of the
    // pipe.
    return SpawnedReader(pid, std::move(requestWrite), std::move(answerRead));
}

SpawnedReader::SpawnedReader(pid_t pid, UniqueFd request, UniqueFd answer)
    : pid_(pid), mark_(pid), request_(std::move(request)), answer_(std::move(answer)) {}

SpawnedReader::SpawnedReader(SpawnedReader&& other) noexcept
    : pid_(std::exchange(other.pid_, 0)), mark_(std::move(other.mark_)), request_(std::move(other.request_)),
      answer_(std::move(other.answer_)) {}

SpawnedReader::~SpawnedReader() {
    if (pid_ <= 0) return;
    (void)::kill(pid_, SIGKILL);
    (void)Reap();
}

int SpawnedReader::Reap() {
    int status = 0;
    while (::waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
    }
    pid_ = 0;
    mark_ = OwnProcessMark();
    return status;
}

Result<QByteArray> SpawnedReader::Ask(const QByteArray& request, std::chrono::milliseconds within,
                                      const AnswerTest& whole) {
    if (!request_.Valid())
        return Failure{FailureCode::ReaderFailed, QStringLiteral("the reader was asked already")};
    // A child that has ended already fails the send; how it ended tells why.
    const int sendError = SendAll(request_.Get(), request);
    request_.Reset();

    QByteArray bytes;
    int readError = 0;
    const Collected collected = CollectAnswer(answer_.Get(), Clock::now() + within, whole, bytes, readError);
    // The child ends on its own once it has answered, and is reaped when this object goes.
    if (collected == Collected::Answer) return bytes;
    if (collected != Collected::EndOfPipe) (void)::kill(pid_, SIGKILL);
    const int status = Reap();
    if (collected == Collected::TimedOut)
        return Failure{
            FailureCode::ReaderTimedOut,
            QStringLiteral("reader gave no answer within %1 and was stopped").arg(DurationText(within))};
    if (collected == Collected::ReadFailed)
        return SystemFailure(FailureCode::ReaderFailed, QStringLiteral("cannot read the reader's answer"),
                             readError);
    if (WIFSIGNALED(status)) return CrashFailure(WTERMSIG(status));
    if (sendError != 0)
        return SystemFailure(FailureCode::ReaderFailed, QStringLiteral("cannot send the reader its file"),
                             sendError);
    return Failure{
        FailureCode::ReaderFailed,
        QStringLiteral("reader ended without an answer (exit status %1)").arg(WEXITSTATUS(status))};
}
