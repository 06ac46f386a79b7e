#pragma once

#include "heap/block_walk.h"
#include "heap/debug_buffer.h"
#include "heap/heap_query.h"
#include "heap/services.h"

#include <cstdint>
#include <string>
#include <vector>

namespace corvane {

// One heap of a snapshot: its record and its blocks, in the walk's order.
struct SnapshotHeap {
    HeapRecord record;
    std::vector<HeapBlockCursor> blocks;
};

// Every heap of a process at one moment, with the width its addresses show at.
struct HeapSnapshot {
    std::uint32_t processId = 0;
    AddressWidth width = AddressWidth::Bits32;
    std::vector<SnapshotHeap> heaps;
};

// A block in use: every block the walk does not mark free.
inline bool IsBusyBlock(const HeapBlockCursor& block) { return block.kind != BlockKind::Free; }

// A byte total plus more bytes, stopping at the largest value instead of
// wrapping: sizes come from another process and may be anything.
inline std::uint64_t AddBytes(std::uint64_t sum, std::uint64_t bytes) {
    constexpr std::uint64_t most = ~std::uint64_t{0};
    return bytes > most - sum ? most : sum + bytes;
}

// How many blocks of a heap are in use, and their bytes.
struct BusyTotals {
    std::uint64_t blocks = 0;
    std::uint64_t bytes = 0;
};
BusyTotals CountBusyBlocks(const std::vector<HeapBlockCursor>& blocks);

enum class SnapshotResult { Taken, ProcessEnded, Failed };

// Takes a fresh snapshot of every heap of the process, blocks included.
// Heaps the service leaves out are left out; `error` says why a snapshot
// could not be taken at all.
SnapshotResult TakeHeapSnapshot(DebugInfoService& service, std::uint32_t processId, HeapSnapshot& snapshot,
                                std::string& error);

} // namespace corvane
