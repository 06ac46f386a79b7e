#pragma once

// The clock the benchmarks under Wine time with, the performance counter,
// and the summaries of their timed rounds.

#include <windows.h>

#include <algorithm>
#include <cstddef>
#include <vector>

namespace corvane {

inline LARGE_INTEGER Now() {
    LARGE_INTEGER now;
    ::QueryPerformanceCounter(&now);
    return now;
}

inline double Seconds(const LARGE_INTEGER& start, const LARGE_INTEGER& end) {
    LARGE_INTEGER frequency;
    ::QueryPerformanceFrequency(&frequency);
    return static_cast<double>(end.QuadPart - start.QuadPart) / static_cast<double>(frequency.QuadPart);
}

inline double Milliseconds(const LARGE_INTEGER& start, const LARGE_INTEGER& end) {
    return 1000.0 * Seconds(start, end);
}

// The middle value of the rounds (of two middle ones, their mean).
inline double Median(std::vector<double> values) {
    if (values.empty()) return 0;
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

inline double Best(const std::vector<double>& values) {
    return values.empty() ? 0 : *std::min_element(values.begin(), values.end());
}

} // namespace corvane
