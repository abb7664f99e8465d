// The holding process is a shell: it opens the file on descriptor 3, says so, waits for a line on its input,
// closes the descriptor, says so and sleeps.
#include "HoldingProcess.h"

namespace {

constexpr int kAnswerMs = 10000;

} // namespace

HoldingProcess::HoldingProcess(const QString& path, Mode mode) {
    const QString open = mode == Mode::Reading ? "exec 3<\"$1\"" : "exec 3>>\"$1\"";
    process_.start(
        "sh", {"-c", open + " && echo ready && read -r line && exec 3>&- && echo closed && exec sleep 600",
               "sh", path});
    ready_ = process_.waitForStarted(kAnswerMs) && Said("ready");
}

HoldingProcess::~HoldingProcess() {
    process_.kill();
    process_.waitForFinished(kAnswerMs);
}

bool HoldingProcess::CloseFile() {
    process_.write("\n");
    return Said("closed");
}

bool HoldingProcess::Said(const QByteArray& expected) {
    while (!process_.canReadLine())
        if (!process_.waitForReadyRead(kAnswerMs)) return false;
    return process_.readLine().trimmed() == expected;
}
