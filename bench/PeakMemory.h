// The peak memory of this process and of the child processes it waits for, in two ways: the kernel's
// high-water marks (RSS, which counts a page shared by two processes in both) and the largest sum of their
// proportional set sizes seen by a sampler thread (a shared page counted once, split between its sharers).
#pragma once

#include <atomic>
#include <thread>

class PeakMemorySampler {
public:
    PeakMemorySampler();
    ~PeakMemorySampler();
    PeakMemorySampler(const PeakMemorySampler&) = delete;
    PeakMemorySampler& operator=(const PeakMemorySampler&) = delete;

    // The largest proportional set size of this process and its children seen so far, in bytes.
    long long PeakProportionalBytes() const { return peak_; }

private:
    std::atomic<long long> peak_{0};
    std::atomic_bool stop_{false};
    std::thread thread_;
};

// Maximum resident set of this process plus that of its largest waited-for child, in bytes.
long long PeakResidentBytes();
