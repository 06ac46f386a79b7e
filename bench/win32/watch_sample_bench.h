#pragma once

// One sample of the watch against a running process, as the program takes
// it under Wine, timed over several rounds beside a plain reduction of the
// same snapshots.

#include <cstdint>

namespace corvane {

// Prints the figures; returns 0, or 1 when no snapshot could be taken or the
// watch and the reference disagree.
int MeasureWatchSample(std::uint32_t processId, const char* systemName);

} // namespace corvane
