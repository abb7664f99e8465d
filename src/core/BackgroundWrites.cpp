// The thread of the background writes and its queue.
#include "BackgroundWrites.h"

BackgroundWrites::BackgroundWrites() : thread_([this] { Run(); }) {}

BackgroundWrites::~BackgroundWrites() {
    {
        const std::lock_guard lock(mutex_);
        ending_ = true;
    }
    posted_.notify_one();
    thread_.join();
}

void BackgroundWrites::Post(std::function<void()> write) {
    {
        const std::lock_guard lock(mutex_);
        pending_.push_back(std::move(write));
    }
    posted_.notify_one();
}

void BackgroundWrites::Run() {
    std::unique_lock lock(mutex_);
    for (;;) {
        posted_.wait(lock, [this] { return ending_ || !pending_.empty(); });
        if (pending_.empty()) return; // ending, and every write done
        const std::function<void()> write = std::move(pending_.front());
        pending_.pop_front();
        lock.unlock();
        write();
        lock.lock();
    }
}
