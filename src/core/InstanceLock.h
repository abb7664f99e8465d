// One running process per instance name: an exclusive lock on the file <folder>/<name>.lock, held while the
// object lives. The system drops the lock when the process ends, however it ends, so a crash leaves nothing
// to clean up. The file holds the holder's process id, for the message of a refused start.
#pragma once

#include "Failure.h"
#include "Utils.h"

#include <QString>

class TInstanceLock {
public:
    // Creates the folder, private to this user, when missing. Fails with AlreadyRunning while another process
    // holds the lock, and with CannotLock when the folder or the file cannot be made or locked.
    static Result<TInstanceLock> Acquire(const QString& folder, const QString& name);

    TInstanceLock(TInstanceLock&& other) noexcept;
    TInstanceLock& operator=(TInstanceLock&&) = delete;
    TInstanceLock(const TInstanceLock&) = delete;
    TInstanceLock& operator=(const TInstanceLock&) = delete;
    ~TInstanceLock();

private:
    explicit TInstanceLock(TFileHandle handle) : Handle(handle) {}

    static constexpr TFileHandle kNoHandle = -1;
    TFileHandle Handle;
};
