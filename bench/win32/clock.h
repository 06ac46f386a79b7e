#pragma once

// The clock the benchmarks under Wine time with: the performance counter.

#include <windows.h>

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

} // namespace corvane
