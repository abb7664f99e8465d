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

// Maximum resident set of this process plus that of its largest waited-for child, in bytes. A page shared by
// both is counted twice.
long long PeakResidentBytes();

// This process's resident set now, in bytes.
long long ResidentBytesNow();

// The peak of this process and the reader processes it waited for, a page shared by them counted once: the
// larger of this process's own peak and its resident set while it waited (`waitingBytes`) plus the largest
// reader's peak. Exact when this process stays idle while a reader runs, as the program does.
long long PeakOfProgramAndReader(long long waitingBytes);
