// Peak memory of the benchmark process and its children.
#include "PeakMemory.h"

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <sys/resource.h>
#include <vector>

namespace {

constexpr auto kSampleInterval = std::chrono::milliseconds(2);

// The "Pss:" line of a process's smaps_rollup, in bytes; 0 when the process is gone.
long long ProportionalBytesOf(const std::string& pid) {
    std::ifstream rollup("/proc/" + pid + "/smaps_rollup");
    std::string key;
    long long kilobytes = 0;
    while (rollup >> key) {
        if (key == "Pss:" && rollup >> kilobytes) return kilobytes * 1024;
        rollup.ignore(1 << 10, '\n');
    }
    return 0;
}

// A child started from any thread of this process is listed under that thread.
std::vector<std::string> ChildrenOfThisProcess() {
    std::vector<std::string> children;
    std::error_code error;
    for (const auto& task : std::filesystem::directory_iterator("/proc/self/task", error)) {
        std::ifstream list(task.path() / "children");
        std::string pid;
        while (list >> pid) children.push_back(pid);
    }
    return children;
}

long long ProportionalBytesNow() {
    long long total = ProportionalBytesOf("self");
    for (const std::string& child : ChildrenOfThisProcess()) total += ProportionalBytesOf(child);
    return total;
}

} // namespace

PeakMemorySampler::PeakMemorySampler()
    : thread_([this] {
          while (!stop_) {
              const long long now = ProportionalBytesNow();
              if (now > peak_) peak_ = now;
              std::this_thread::sleep_for(kSampleInterval);
          }
      }) {}

PeakMemorySampler::~PeakMemorySampler() {
    stop_ = true;
    thread_.join();
}

long long PeakResidentBytes() {
    rusage self{};
    rusage children{};
    ::getrusage(RUSAGE_SELF, &self);
    ::getrusage(RUSAGE_CHILDREN, &children);
    return (self.ru_maxrss + children.ru_maxrss) * 1024LL;
}

long long ResidentBytesNow() {
    std::ifstream status("/proc/self/status");
    std::string key;
    long long kilobytes = 0;
    while (status >> key) {
        if (key == "VmRSS:" && status >> kilobytes) return kilobytes * 1024;
        status.ignore(1 << 10, '\n');
    }
    return -1;
}

long long PeakOfProgramAndReader(long long waitingBytes) {
    rusage self{};
    rusage children{};
    ::getrusage(RUSAGE_SELF, &self);
    ::getrusage(RUSAGE_CHILDREN, &children);
    return std::max(self.ru_maxrss * 1024LL, waitingBytes + children.ru_maxrss * 1024LL);
}
