// Sole owner of one POSIX file descriptor, closed when the owner goes.
#pragma once

#include <unistd.h>
#include <utility>

class UniqueFd {
public:
    UniqueFd() = default;
    explicit UniqueFd(int fd) : fd_(fd) {}
    ~UniqueFd() { Reset(); }
    UniqueFd(UniqueFd&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}
    UniqueFd& operator=(UniqueFd&& other) noexcept {
        if (this != &other) {
            Reset();
            fd_ = std::exchange(other.fd_, -1);
        }
        return *this;
    }

    int Get() const { return fd_; }
    bool Valid() const { return fd_ >= 0; }
    // Closing a descriptor that was only read from or mapped cannot lose anything, so its result is moot.
    void Reset() {
        if (fd_ >= 0) (void)::close(std::exchange(fd_, -1));
    }

private:
    int fd_ = -1;
};
