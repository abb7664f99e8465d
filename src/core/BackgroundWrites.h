// Writes that the window must not wait for (a stored value is synced to disk, which takes long while large
// images are being written): they run one after another, in the order posted, on a thread of their own.
#pragma once

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

class BackgroundWrites {
public:
    BackgroundWrites();
    // Waits for every write posted so far.
    ~BackgroundWrites();
    BackgroundWrites(const BackgroundWrites&) = delete;
    BackgroundWrites& operator=(const BackgroundWrites&) = delete;

    // Runs the write after every write posted before it; it must not throw.
    void Post(std::function<void()> write);

private:
    void Run();

    std::mutex mutex_;
    std::condition_variable posted_;
    std::deque<std::function<void()>> pending_;
    bool ending_ = false;
    std::thread thread_; // last: started once the queue exists
};
