// POSIX part of the reader's process: posix_spawn with exactly the descriptors it needs, the answer read
// from a pipe within the time allowed, and the way it ended.
#include "ReaderLaunch.h"

#include "ReaderAnswer.h"
#include "SharedPixels.h"
#include "UniqueFd.h"

#include <QFile>
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <vector>

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;

// More than any answer holds; a reader gone wrong cannot make the program hoard its output.
constexpr qsizetype kLargestAnswer = 1 << 20;

QString DurationText(std::chrono::milliseconds duration) {
    using namespace std::chrono;
    if (duration % minutes(1) == milliseconds(0))
        return QStringLiteral("%1 min").arg(duration_cast<minutes>(duration).count());
    if (duration % seconds(1) == milliseconds(0))
        return QStringLiteral("%1 s").arg(duration_cast<seconds>(duration).count());
    return QStringLiteral("%1 ms").arg(duration.count());
}

// A copy of the descriptor numbered above the child's standard ones and its two channels, so that placing
// the channels at 3 and 4 can never overwrite one with the other.
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

    // The child gets /dev/null as input and output, the inherited standard error, the two channels, and no
    // other descriptor; default dispositions and no blocked signals, whatever the starting thread had.
    bool Prepare(int pixelFd, int answerFd) {
        sigset_t none, all;
        return ready_ && ::sigemptyset(&none) == 0 && ::sigfillset(&all) == 0 &&
               ::posix_spawnattr_setsigmask(&attributes_, &none) == 0 &&
               ::posix_spawnattr_setsigdefault(&attributes_, &all) == 0 &&
               ::posix_spawnattr_setflags(&attributes_, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF) ==
                   0 &&
               ::posix_spawn_file_actions_addopen(&actions_, STDIN_FILENO, "/dev/null", O_RDONLY, 0) == 0 &&
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

// A started reader, killed and reaped if it is left before it has been waited for.
class ReaderChild {
public:
    explicit ReaderChild(pid_t pid) : pid_(pid) {}
    ~ReaderChild() {
        if (pid_ <= 0) return;
        Kill();
        (void)Wait();
    }
    ReaderChild(const ReaderChild&) = delete;
    ReaderChild& operator=(const ReaderChild&) = delete;

    void Kill() const { (void)::kill(pid_, SIGKILL); }

    // The wait status; the child is gone afterwards.
    int Wait() {
        int status = 0;
        while (::waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
        }
        pid_ = 0;
        return status;
    }

private:
    pid_t pid_;
};

enum class Collected { EndOfAnswer, TimedOut, ReadFailed };

// Reads the pipe until every writer has closed it, or until the deadline; `error` tells why a read failed.
Collected CollectAnswer(int fd, Clock::time_point deadline, QByteArray& bytes, int& error) {
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
        if (got == 0) return Collected::EndOfAnswer;
        if (bytes.size() < kLargestAnswer) bytes.append(buffer, got);
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

Result<QByteArray> RunReaderProcess(const QString& program, const QStringList& arguments,
                                    const SharedPixelFile& pixels, std::chrono::milliseconds within) {
    int ends[2];
    if (::pipe2(ends, O_CLOEXEC) != 0)
        return SystemFailure(FailureCode::ReaderFailed, QStringLiteral("cannot open a pipe to the reader"));
    UniqueFd answerRead(ends[0]);
    UniqueFd pipeWrite(ends[1]);
    auto answerWrite = CopyAboveChannels(pipeWrite.Get());
    pipeWrite.Reset();
    auto pixelFd = CopyAboveChannels(pixels.Descriptor());
    if (!answerWrite) return answerWrite.failure();
    if (!pixelFd) return pixelFd.failure();

    SpawnSetup setup;
    if (!setup.Prepare(pixelFd->Get(), answerWrite->Get()))
        return Failure{FailureCode::ReaderFailed, QStringLiteral("cannot prepare the reader's start")};
    std::vector<QByteArray> storage{QFile::encodeName(program)};
    for (const QString& argument : arguments) storage.push_back(QFile::encodeName(argument));
    std::vector<char*> argv;
    for (QByteArray& argument : storage) argv.push_back(argument.data());
    argv.push_back(nullptr);

    pid_t pid = 0;
    if (const int error =
            ::posix_spawn(&pid, argv[0], setup.Actions(), setup.Attributes(), argv.data(), environ))
        return SystemFailure(FailureCode::ReaderFailed,
                             QStringLiteral("cannot start the reader %1").arg(program), error);
    ReaderChild child(pid);
    // Only the child holds the write end now, so the end of its answer is the end of the pipe.
    answerWrite->Reset();
    pixelFd->Reset();

    QByteArray bytes;
    int readError = 0;
    const Collected collected = CollectAnswer(answerRead.Get(), Clock::now() + within, bytes, readError);
    if (collected != Collected::EndOfAnswer) child.Kill();
    const int status = child.Wait();
    if (collected == Collected::TimedOut)
        return Failure{
            FailureCode::ReaderTimedOut,
            QStringLiteral("reader gave no answer within %1 and was stopped").arg(DurationText(within))};
    if (collected == Collected::ReadFailed)
        return SystemFailure(FailureCode::ReaderFailed, QStringLiteral("cannot read the reader's answer"),
                             readError);
    if (WIFSIGNALED(status)) return CrashFailure(WTERMSIG(status));
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0 || bytes.isEmpty())
        return Failure{
            FailureCode::ReaderFailed,
            QStringLiteral("reader ended without an answer (exit status %1)").arg(WEXITSTATUS(status))};
    return bytes;
}
