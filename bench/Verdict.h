// Benchmark figures checked against their targets, each printed with PASS or FAIL.
#pragma once

#include <cstdio>

struct Verdict {
    int failures = 0;
    void Check(const char* what, double value, double limit) {
        const bool pass = value <= limit;
        if (!pass) ++failures;
        std::printf("  %-52s %8.3f <= %8.3f  %s\n", what, value, limit, pass ? "PASS" : "FAIL");
    }
};
