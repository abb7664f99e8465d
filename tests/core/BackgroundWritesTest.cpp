// Background writes run in the order posted, off the caller's thread, and are all done when the writer goes.
#include "BackgroundWrites.h"

#include <atomic>
#include <gtest/gtest.h>
#include <mutex>
#include <thread>
#include <vector>

TEST(BackgroundWrites, RunInOrderOffTheCallersThreadAndFinishBeforeTheEnd) {
    std::mutex mutex;
    std::vector<int> done;
    std::atomic_bool onCallersThread{false};
    const std::thread::id caller = std::this_thread::get_id();
    {
        BackgroundWrites writes;
        for (int i = 0; i < 200; ++i)
            writes.Post([&, i] {
                if (std::this_thread::get_id() == caller) onCallersThread = true;
                const std::lock_guard lock(mutex);
                done.push_back(i);
            });
    }
    ASSERT_EQ(done.size(), 200u);
    for (int i = 0; i < 200; ++i) EXPECT_EQ(done[static_cast<std::size_t>(i)], i);
    EXPECT_FALSE(onCallersThread);
}
