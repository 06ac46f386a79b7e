#pragma once

#include "heap/block_walk.h"

#include <cstdint>
#include <vector>

namespace corvane {

// The busy blocks of one size in a heap.
struct SizeRow {
    std::uint64_t size = 0;
    std::uint64_t count = 0;
    std::uint64_t totalBytes = 0; // size * count
    double share = 0.0;           // of the heap's busy bytes, 0..1; 0 when it has none
};

// How a heap's bytes are spread over block sizes. Byte sums stop at the
// largest 64-bit value rather than wrap (only a malformed heap gets there).
struct SizeStatistics {
    // One row per distinct busy block size, most total bytes first; equal
    // totals by size, smallest first.
    std::vector<SizeRow> rows;
    std::uint64_t busyCount = 0;
    std::uint64_t busyBytes = 0;
    std::uint64_t freeCount = 0;
    std::uint64_t freeBytes = 0;
};

SizeStatistics ComputeSizeStatistics(const std::vector<HeapBlockCursor>& blocks);

} // namespace corvane
