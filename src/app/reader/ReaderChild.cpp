// The reader's process from inside: its channels, its test switches and the one file it reads.
#include "ReaderChild.h"

#include "NetCDFGoesAbi.h"
#include "ReaderMessages.h"
#include "WriteAll.h"

#include <QFile>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>
#include <sys/prctl.h>
#include <unistd.h>

namespace {

constexpr char kUsage[] =
    "Usage: stratolux-reader\n"
    "Reads one received GOES-R ABI file for stratolux, which starts it with the request on standard input\n"
    "and descriptors 3 and 4 open. It is not meant to be run by hand.\n"
    "\n"
    "  --help     show this text\n"
    "  --version  show the version\n";

// Beyond the pixel block, room for the libraries' own buffers: metadata, one compressed and one
// decompressed chunk at a time, and the allocator's slack.
constexpr std::size_t kLibraryHeadroom = 512u << 20;

#ifdef STRATOLUX_READER_TEST_SWITCHES
// Test builds only: a file whose name holds the text of the environment variable is marked for it.
// STRATOLUX_TEST_READER_CRASH crashes this process, STRATOLUX_TEST_READER_HANG makes it wait forever,
// STRATOLUX_TEST_READER_GREEDY makes it ask, once its memory is limited, for more than the limit leaves, and
// STRATOLUX_TEST_READER_CRAMPED leaves the libraries no room beyond the pixel block, so that their own
// buffers run out as they read.
// STRATOLUX_TEST_READER_TRACE names a file to which every file asked for is added as a line.
bool Marked(const char* variable, const QString& fileName) {
    const QString marker = qEnvironmentVariable(variable);
    return !marker.isEmpty() && fileName.contains(marker);
}

void ActOnTestSwitches(const QString& fileName) {
    if (const QString trace = qEnvironmentVariable("STRATOLUX_TEST_READER_TRACE"); !trace.isEmpty()) {
        QFile file(trace);
        if (file.open(QIODevice::Append)) file.write(fileName.toUtf8() + '\n');
    }
    // Ended by the signal itself, as a fault ends the reader when nothing handles it (AddressSanitizer's
    // handler would report it and exit instead).
    if (Marked("STRATOLUX_TEST_READER_CRASH", fileName)) {
        std::signal(SIGSEGV, SIG_DFL);
        std::raise(SIGSEGV);
    }
    if (Marked("STRATOLUX_TEST_READER_HANG", fileName))
        for (;;) ::pause();
}

void ActOnGreedySwitch(const QString& fileName, std::size_t growthAllowed) {
    // A call of the operator itself, which the compiler may not leave out as it may a new-expression.
    if (Marked("STRATOLUX_TEST_READER_GREEDY", fileName))
        ::operator delete(::operator new(2 * growthAllowed));
}
#endif

std::size_t LibraryHeadroom([[maybe_unused]] const QString& fileName) {
#ifdef STRATOLUX_READER_TEST_SWITCHES
    if (Marked("STRATOLUX_TEST_READER_CRAMPED", fileName)) return 0;
#endif
    return kLibraryHeadroom;
}

// Everything the program sends until it closes its end; empty when it sends more than any request holds.
QByteArray ReadRequest() {
    QByteArray bytes;
    char buffer[4096];
    for (;;) {
        const ssize_t got = ::read(kReaderRequestDescriptor, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) return got == 0 ? bytes : QByteArray();
        if (bytes.size() + got > kLargestReaderMessage) return {};
        bytes.append(buffer, got);
    }
}

} // namespace

int ReaderChild::Run(int argc, char** argv) {
    // The program starts the reader without arguments; these two are for a person looking at it.
    if (argc == 2 && std::strcmp(argv[1], "--help") == 0) return std::fputs(kUsage, stdout) >= 0 ? 0 : 1;
    if (argc == 2 && std::strcmp(argv[1], "--version") == 0)
        return std::printf("stratolux-reader %s\n", STRATOLUX_VERSION) > 0 ? 0 : 1;
    // A stop meant for the program (Ctrl-C to the terminal's process group, a service manager's SIGTERM to
    // every process of the service) must not cut the file under way short: the program finishes it, and
    // ends this process itself with SIGKILL when it must. The program starts it with these signals blocked;
    // ignoring them also drops any that arrived meanwhile.
    for (const int stop : {SIGINT, SIGTERM, SIGHUP}) std::signal(stop, SIG_IGN);
    // A reader left behind by a program that died stops with it.
    if (::prctl(PR_SET_PDEATHSIG, SIGKILL) != 0 || ::getppid() == 1) return 1;
    if (argc != 1) return 2;
    return ReaderChild().Serve();
}

ReaderChild::ReaderChild() : pixels_(UniqueFd(kReaderPixelDescriptor)), answer_(kReaderAnswerDescriptor) {}

int ReaderChild::Serve() const {
    TNetCdf::PrepareLibraries();
    const auto request = DecodeReaderRequest(ReadRequest());
    // A program that closes without a request has gone on without this reader.
    if (!request) return 3;
#ifdef STRATOLUX_READER_TEST_SWITCHES
    ActOnTestSwitches(request->path);
#endif

    // The limit follows the declared image size, so it is set once the header is read, before the block.
    const PixelBlockSource allocate = [&](std::size_t bytes) -> Result<std::unique_ptr<PixelBlock>> {
        const std::size_t headroom = LibraryHeadroom(request->path);
        if (Status limited = LimitAddressSpaceGrowth(bytes + headroom); !limited) return limited.failure();
#ifdef STRATOLUX_READER_TEST_SWITCHES
        ActOnGreedySwitch(request->path, bytes + headroom);
#endif
        return pixels_.Block(bytes);
    };
    GreyRows rows;
    ReaderAnswer answer;
    answer.status =
        ReadAbiGreyRows(*request, rows, answer.longitude, answer.completeness, allocate, &answer.geolocation);
    if (answer.status) {
        answer.width = rows.width;
        answer.height = rows.height;
        answer.rowBytes = static_cast<qsizetype>(rows.rowBytes);
    }
    // The program takes the rows as soon as the answer is whole; the room of the counts is given back
    // meanwhile. The libraries' clean-up at exit would only cost time.
    const bool answered = WriteAll(answer_.Get(), EncodeReaderAnswer(answer)) == 0;
    if (answer.status) pixels_.GiveBackBeyond(rows.rowBytes * static_cast<std::size_t>(rows.height));
    std::_Exit(answered ? 0 : 1);
}
