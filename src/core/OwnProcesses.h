// The processes that work for this program (its readers). A file that one of them holds open is held by the
// program itself, never by "another program" (FileInUse).
#pragma once

#include <QtGlobal>

// Marks a started process as the program's own while the object lives; the owner drops the mark once the
// process is reaped.
class OwnProcessMark {
public:
    OwnProcessMark() = default;
    explicit OwnProcessMark(qint64 pid);
    ~OwnProcessMark();
    OwnProcessMark(OwnProcessMark&& other) noexcept;
    OwnProcessMark& operator=(OwnProcessMark&& other) noexcept;
    OwnProcessMark(const OwnProcessMark&) = delete;
    OwnProcessMark& operator=(const OwnProcessMark&) = delete;

private:
    qint64 pid_ = 0;
};

// This process, or one marked as its own.
bool IsOwnProcess(qint64 pid);
