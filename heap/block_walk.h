#pragma once

#include "heap/debug_buffer.h"

#include <cstdint>
#include <functional>
#include <vector>

namespace corvane {

// What kind of block the walk stands on; the values are those the rows are
// made from. Sixteen bits hold them with room to spare, which the cursor
// gives to its other marks.
enum class BlockKind : std::uint16_t {
    None = 0,
    Fixed = 1,
    Free = 2,
    Moveable = 4,
};

// The walk's position. The caller zeroes it before HeapBlockFirst. The
// address and size keep the width the heap's records give them.
struct HeapBlockCursor {
    Address address = 0;
    std::uint64_t size = 0;
    BlockKind kind = BlockKind::None; // any other value counts as none
    // The block lies inside a front-end group (its entry has
    // kEntryFrontEnd); taken from each entry, never carried over.
    bool inFrontEndGroup = false;
    std::uint32_t entryIndex = 0;
};
// A snapshot holds millions of these: the mark lives in the room the kind
// leaves, and the cursor stays at 24 bytes.
static_assert(sizeof(HeapBlockCursor) == 24, "a block cursor is 24 bytes");

// The walk presents the non-segment entries of one heap as blocks. A segment
// entry gives the address of the block after it and makes no block itself; a
// block after another block starts where that one ends. The walk never looks
// at an entry at or past the heap's entry count (nor past `entries`).
//
// HeapBlockFirst returns false when the heap has no block at all: no entries,
// or only segment entries.
bool HeapBlockFirst(const HeapRecord& heap, const std::vector<HeapEntry>& entries, HeapBlockCursor& cursor);
bool HeapBlockNext(const HeapRecord& heap, const std::vector<HeapEntry>& entries, HeapBlockCursor& cursor);

// Told after each block of a walk, with the number of blocks walked so far.
using BlockWalkProgress = std::function<void(std::uint32_t blocks)>;

// Every block of one heap, in the walk's order.
std::vector<HeapBlockCursor> WalkHeapBlocks(const HeapRecord& heap, const std::vector<HeapEntry>& entries,
                                            const BlockWalkProgress& progress = {});

// Updates `kind` from an entry's flags; flags that name no kind leave it as
// it was, so a later unmarked block carries the kind of the block before it.
void ClassifyEntryFlags(std::uint16_t flags, BlockKind& kind);

} // namespace corvane
