#pragma once

// What the benchmarks compute their figures with.

#include <sys/resource.h>

#include <algorithm>
#include <cmath>
#include <vector>

// The middle value (the upper one of an even count); NaN when there is none.
inline double Median(std::vector<double> values) {
    if (values.empty()) return NAN;
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// User and system time together.
inline double CpuSecondsOf(const rusage& usage) {
    return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec +
           (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// The CPU time this process (RUSAGE_SELF) or its waited-for children (RUSAGE_CHILDREN)
// have used so far.
inline double CpuSeconds(int who = RUSAGE_SELF) {
    rusage usage{};
    getrusage(who, &usage);
    return CpuSecondsOf(usage);
}
