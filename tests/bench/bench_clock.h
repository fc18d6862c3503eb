// The benches' clock: microseconds of the performance counter, and the median of repeated runs,
// which a stray slow run under Wine does not move.
#ifndef ROBINA_BENCH_CLOCK_H
#define ROBINA_BENCH_CLOCK_H

#include <windows.h>
#include <algorithm>
#include <vector>

inline double NowUs() {
    static LARGE_INTEGER frequency = {};
    if (!frequency.QuadPart) QueryPerformanceFrequency(&frequency);
    LARGE_INTEGER count;
    QueryPerformanceCounter(&count);
    return (double)count.QuadPart * 1e6 / (double)frequency.QuadPart;
}

// after, when given, runs after each timed run and is not timed.
template <class F> double MedianUs(int repetitions, F work, void (*after)(void) = 0) {
    std::vector<double> times;
    for (int i = 0; i < repetitions; i++) {
        double start = NowUs();
        work();
        times.push_back(NowUs() - start);
        if (after) after();
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

#endif
