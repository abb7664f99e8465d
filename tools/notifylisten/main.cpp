// notifylisten: stands in for the animation program's window and prints every notification that arrives.
#include "AnimationNotifier.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

volatile std::sig_atomic_t stopRequested = 0;

void RequestStop(int) {
    stopRequested = 1;
}

int BindDatagramSocket(const QString& path) {
    const QByteArray name = QFile::encodeName(path);
    sockaddr_un address{};
    if (name.size() >= static_cast<qsizetype>(sizeof(address.sun_path))) return -1;
    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path, name.constData(), static_cast<size_t>(name.size()));
    const int fd = ::socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return -1;
    ::unlink(name.constData());
    if (::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof(address)) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationVersion(STRATOLUX_VERSION);
    QCommandLineParser parser;
    parser.setApplicationDescription("Listens where the animation program would and prints each notification "
                                     "Stratolux sends, one per line.");
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addOption({"socket", "Listen on PATH instead of the animation program's socket.", "PATH"});
    parser.addOption({"count", "Exit after N notifications.", "N"});
    parser.process(app);

    const QString path = parser.isSet("socket") ? parser.value("socket") : AnimationSocketPath();
    bool countGiven = false;
    const int count = parser.value("count").toInt(&countGiven);
    if (parser.isSet("count") && (!countGiven || count < 1)) {
        std::fprintf(stderr, "notifylisten: --count takes a positive whole number\n");
        return 2;
    }
    QDir().mkpath(QFileInfo(path).absolutePath());
    const int fd = BindDatagramSocket(path);
    if (fd < 0) {
        std::fprintf(stderr, "notifylisten: cannot listen on %s: %s\n", qPrintable(path),
                     std::strerror(errno));
        return 1;
    }
    struct sigaction action {};
    action.sa_handler = RequestStop;
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);

    std::printf("listening on %s\n", qPrintable(path));
    std::fflush(stdout);
    int received = 0;
    char buffer[512];
    while (!stopRequested && !(countGiven && received >= count)) {
        const ssize_t n = ::recv(fd, buffer, sizeof(buffer) - 1, 0);
        if (n < 0) continue; // interrupted by a signal: the loop condition decides
        buffer[n] = '\0';
        std::printf("%s\n", buffer);
        std::fflush(stdout);
        ++received;
    }
    ::close(fd);
    ::unlink(QFile::encodeName(path).constData());
    return 0;
}
