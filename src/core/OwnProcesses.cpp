// The marks of the program's own processes: a set shared by the threads that start readers and the one that
// tests files.
#include "OwnProcesses.h"

#include <QCoreApplication>
#include <mutex>
#include <set>
#include <utility>

namespace {

std::mutex marksLock;
std::multiset<qint64> marks;

void Unmark(qint64 pid) {
    if (pid == 0) return;
    const std::lock_guard guard(marksLock);
    if (const auto found = marks.find(pid); found != marks.end()) marks.erase(found);
}

} // namespace

OwnProcessMark::OwnProcessMark(qint64 pid) : pid_(pid) {
    const std::lock_guard guard(marksLock);
    marks.insert(pid_);
}

OwnProcessMark::~OwnProcessMark() {
    Unmark(pid_);
}

OwnProcessMark::OwnProcessMark(OwnProcessMark&& other) noexcept : pid_(std::exchange(other.pid_, 0)) {}

OwnProcessMark& OwnProcessMark::operator=(OwnProcessMark&& other) noexcept {
    if (this != &other) {
        Unmark(pid_);
        pid_ = std::exchange(other.pid_, 0);
    }
    return *this;
}

bool IsOwnProcess(qint64 pid) {
    if (pid == QCoreApplication::applicationPid()) return true;
    const std::lock_guard guard(marksLock);
    return marks.contains(pid);
}
