// POSIX part of the shutdown requests: the signal handler writes the signal's number to a pipe that the event
// loop watches.
#include "ShutdownSignals.h"

#include <QSocketNotifier>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace {

int pipeEnds[2] = {-1, -1};

struct ShutdownSignal {
    int number;
    const char* name;
};
constexpr ShutdownSignal kShutdownSignals[] = {{SIGTERM, "SIGTERM"}, {SIGINT, "SIGINT"}, {SIGHUP, "SIGHUP"}};

QString NameOf(int number) {
    for (const ShutdownSignal& signal : kShutdownSignals)
        if (signal.number == number) return QString::fromLatin1(signal.name);
    return QStringLiteral("signal %1").arg(number);
}

void OnSignal(int number) {
    const auto byte = static_cast<unsigned char>(number);
    [[maybe_unused]] const ssize_t written = ::write(pipeEnds[1], &byte, 1);
}

} // namespace

ShutdownSignals::ShutdownSignals(QObject* parent) : QObject(parent) {
    // A write to a pipe or socket whose reader is gone fails with EPIPE instead of ending the program.
    ::signal(SIGPIPE, SIG_IGN);
    if (::pipe2(pipeEnds, O_CLOEXEC | O_NONBLOCK) != 0) return;
    notifier_ = new QSocketNotifier(pipeEnds[0], QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, [this] {
        unsigned char numbers[16];
        ssize_t count;
        while ((count = ::read(pipeEnds[0], numbers, sizeof(numbers))) > 0)
            for (ssize_t i = 0; i < count; ++i) emit ShutdownRequested(NameOf(numbers[i]));
    });
    struct sigaction action {};
    action.sa_handler = OnSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const ShutdownSignal& signal : kShutdownSignals) ::sigaction(signal.number, &action, nullptr);
}

ShutdownSignals::~ShutdownSignals() {
    for (const ShutdownSignal& signal : kShutdownSignals) ::signal(signal.number, SIG_DFL);
    ::signal(SIGPIPE, SIG_DFL);
    delete notifier_;
    for (int& end : pipeEnds) {
        if (end >= 0) ::close(end);
        end = -1;
    }
}
