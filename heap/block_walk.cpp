#include "heap/block_walk.h"

#include <algorithm>

namespace corvane {

namespace {

std::uint32_t Limit(const HeapRecord& heap, const std::vector<HeapEntry>& entries) {
    return static_cast<std::uint32_t>(std::min<std::size_t>(heap.entryCount, entries.size()));
}

bool IsSegment(const HeapEntry& entry) { return (entry.flags & kEntrySegment) != 0; }

// Steps over a run of segment entries starting at cursor.entryIndex: each
// sets the address of the block after it, and the block's size comes from
// the entry that follows. False when the run reaches the end of the entries.
bool CrossSegments(const HeapRecord& heap, const std::vector<HeapEntry>& entries, std::uint32_t limit,
                   HeapBlockCursor& cursor) {
    while (IsSegment(entries[cursor.entryIndex])) {
        cursor.address = heap.entryOverhead + entries[cursor.entryIndex].firstBlock;
        if (cursor.entryIndex + 1 >= limit) return false;
        ++cursor.entryIndex;
        cursor.size = entries[cursor.entryIndex].size;
    }
    return true;
}

// The block's kind from its entry's flags, and whether it is a group's.
void ClassifyEntry(const HeapEntry& entry, HeapBlockCursor& cursor) {
    ClassifyEntryFlags(entry.flags, cursor.kind);
    cursor.inFrontEndGroup = (entry.flags & kEntryFrontEnd) != 0;
}

} // namespace

void ClassifyEntryFlags(std::uint16_t flags, BlockKind& kind) {
    // Moveable is tested first: its bit lies inside the fixed mask.
    if (flags & kEntryMoveable)
        kind = BlockKind::Moveable;
    else if ((flags & kEntryFixedMask) || (flags & kEntryFixedExtra))
        kind = BlockKind::Fixed;
    else if (flags & kEntryFree)
        kind = BlockKind::Free;
}

bool HeapBlockFirst(const HeapRecord& heap, const std::vector<HeapEntry>& entries, HeapBlockCursor& cursor) {
    const std::uint32_t limit = Limit(heap, entries);
    cursor.entryIndex = 0;
    cursor.address = 0;
    cursor.kind = BlockKind::None;
    if (limit == 0) return false;
    if (!CrossSegments(heap, entries, limit, cursor)) return false;
    ClassifyEntry(entries[cursor.entryIndex], cursor);
    return true;
}

bool HeapBlockNext(const HeapRecord& heap, const std::vector<HeapEntry>& entries, HeapBlockCursor& cursor) {
    const std::uint32_t limit = Limit(heap, entries);
    if (cursor.entryIndex + 1 >= limit) return false;
    ++cursor.entryIndex;
    const HeapEntry& entry = entries[cursor.entryIndex];
    if (IsSegment(entry)) {
        if (!CrossSegments(heap, entries, limit, cursor)) return false;
    } else {
        cursor.address += cursor.size;
        cursor.size = entry.size;
    }
    ClassifyEntry(entries[cursor.entryIndex], cursor);
    return true;
}

std::vector<HeapBlockCursor> WalkHeapBlocks(const HeapRecord& heap, const std::vector<HeapEntry>& entries,
                                            const BlockWalkProgress& progress) {
    std::vector<HeapBlockCursor> blocks;
    blocks.reserve(entries.size());
    HeapBlockCursor cursor;
    for (bool more = HeapBlockFirst(heap, entries, cursor); more; more = HeapBlockNext(heap, entries, cursor)) {
        blocks.push_back(cursor);
        if (progress) progress(static_cast<std::uint32_t>(blocks.size()));
    }
    return blocks;
}

} // namespace corvane
