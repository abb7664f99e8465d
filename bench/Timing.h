// Wall-clock and processor timing of benchmark steps.
#pragma once

#include <algorithm>
#include <chrono>
#include <functional>
#include <sys/resource.h>
#include <vector>

inline double Seconds(const std::function<void()>& step) {
    const auto start = std::chrono::steady_clock::now();
    step();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// Processor time used so far by every thread of this process and by its waited-for children, in seconds.
inline double ProcessorSeconds() {
    rusage self{}, children{};
    getrusage(RUSAGE_SELF, &self);
    getrusage(RUSAGE_CHILDREN, &children);
    const auto seconds = [](const timeval& t) { return static_cast<double>(t.tv_sec) + t.tv_usec / 1e6; };
    return seconds(self.ru_utime) + seconds(self.ru_stime) + seconds(children.ru_utime) +
           seconds(children.ru_stime);
}

inline double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// The median time of `runs` runs of a step.
inline double MedianSeconds(int runs, const std::function<void()>& step) {
    std::vector<double> seconds;
    for (int i = 0; i < runs; ++i) seconds.push_back(Seconds(step));
    return Median(seconds);
}
