// Wall-clock timing of benchmark steps.
#pragma once

#include <algorithm>
#include <chrono>
#include <functional>
#include <vector>

inline double Seconds(const std::function<void()>& step) {
    const auto start = std::chrono::steady_clock::now();
    step();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
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
