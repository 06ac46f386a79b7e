#pragma once

// References between blocks: which block or other memory an address lies
// in, the pointers a block holds, the values anywhere in a process that
// point into a block, and the blocks nothing reaches (leaks).
//
// A value points into a busy block when it lies in [the block's address,
// address + size) as the block list's row gives them; a value into a free
// block, or at a block's end, points into nothing. Values are read at the
// process's pointer alignment: 4 bytes for a 32-bit process, 8 for a 64-bit
// one.

#include "heap/block_index.h"
#include "heap/heap_search.h"
#include "heap/memory_scan.h"
#include "heap/process_memory.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace corvane {

unsigned PointerBytes(AddressWidth width);

// A reservation of memory that holds a heap: its first region with its
// header, another of its regions, or a large block of its own.
struct HeapAllocation {
    Address begin = 0;
    Address end = 0;
    std::uint32_t heap = 0; // its position in the snapshot
};
// The heaps' reservations, in address order: those that hold a heap's base
// or the start of one of its blocks.
std::vector<HeapAllocation> HeapAllocations(const HeapSnapshot& snapshot, const BlockIndex& index,
                                            const ProcessMemoryMap& map);

// What an address lies in, from the most particular to the least.
enum class PlaceKind { BusyBlock, FreeBlock, Heap, Stack, Module, Private, Mapped, Image, Uncommitted };
struct AddressPlace {
    PlaceKind kind = PlaceKind::Uncommitted;
    Address heapBase = 0; // the blocks' and the heap's
    Address start = 0;    // of the block or the module
    std::uint64_t offset = 0;
    std::uint32_t threadId = 0;
    std::string module;
};

// Finds what the addresses of one process lie in.
class AddressPlaces {
public:
    // Not owned; they outlive this.
    AddressPlaces(const HeapSnapshot& snapshot, const BlockIndex& index, const ProcessMemoryMap& map);
    AddressPlace Locate(Address address) const;

private:
    const HeapSnapshot& m_snapshot;
    const BlockIndex& m_index;
    const ProcessMemoryMap& m_map;
    std::vector<HeapAllocation> m_heaps;
};

// A value in a block that points into a busy block.
struct BlockPointer {
    std::uint64_t offset = 0; // where it lies in the block
    Address value = 0;
    std::uint32_t target = kNoBlock; // the block it points into, in index.Busy()
};
// Every such value among the `size` bytes of the block at `address`.
std::vector<BlockPointer> PointersInBlock(const BlockIndex& index, const std::uint8_t* bytes, std::size_t size,
                                          Address address, AddressWidth width);

// A value somewhere in the process that points into the block searched for.
struct Referrer {
    Address address = 0; // where the value lies
    Address value = 0;
};

// Searches all of a process's committed readable memory for values that
// point into one block, a few pieces at a time.
class ReferrerSearch {
public:
    // `memory` is not owned and must outlive the search.
    ReferrerSearch(TargetMemory& memory, const ProcessMemoryMap& map, Address block, std::uint64_t size,
                   AddressWidth width, std::size_t pieceSize = kSearchPieceSize,
                   std::size_t hitLimit = kSearchHitLimit);
    // Searches on for about `byteBudget` bytes and appends what it found;
    // false once all is searched or the hit limit is reached.
    bool Step(std::uint64_t byteBudget, std::vector<Referrer>& found);
    bool Done() const { return m_hitLimitReached || m_scan.Done(); }
    const MemoryScan& Scan() const { return m_scan; }
    bool HitLimitReached() const { return m_hitLimitReached; }

private:
    MemoryScan m_scan;
    Address m_block;
    std::uint64_t m_size;
    unsigned m_pointerBytes;
    std::size_t m_hitLimit;
    std::size_t m_hits = 0;
    bool m_hitLimitReached = false;
};

// How a busy block that nothing reaches is lost.
enum class LeakKind : std::uint8_t {
    Unreferenced, // no value anywhere points into it
    Unreachable,  // only blocks that are leaks themselves point into it
};
constexpr std::size_t kLeakTextBytes = 16;
struct LeakRow {
    Address heapBase = 0;
    Address address = 0;
    std::uint64_t size = 0;
    LeakKind kind = LeakKind::Unreferenced;
    // Its first bytes, printable ASCII as itself and others as '.'.
    std::array<char, kLeakTextBytes + 1> text = {};
};
struct LeakTotals {
    std::uint64_t blocks[2] = {};
    std::uint64_t bytes[2] = {}; // sums of the listed sizes, by LeakKind
};

// The totals of leak rows, by kind.
LeakTotals TotalLeaks(const std::vector<LeakRow>& rows);

// Conservative reachability over every heap of a process, as a garbage
// collector would judge it. The roots are the memory the program can have
// written: committed pages that allow writing, outside the heaps'
// reservations (thread stacks, modules' writable sections, other private
// and mapped memory). A busy block that a root's value points into is
// reached, and so is every busy block that a reached block's value points
// into. A block's values that point into itself do not count for it.
// Read-only and execute-only memory is no root: its values are no pointers
// the program stored.
//
// The roots and every busy block are read once, a few pieces at a time;
// the marking follows the pointers found, without recursion.
class LeakSearch {
public:
    // `memory` is not owned and must outlive the search.
    LeakSearch(TargetMemory& memory, const HeapSnapshot& snapshot, const ProcessMemoryMap& map,
               std::size_t pieceSize = kSearchPieceSize);
    // Reads on for about `byteBudget` bytes; the step after the last read
    // marks. False once the leaks are known.
    bool Step(std::uint64_t byteBudget);
    bool Done() const { return m_marked; }
    const MemoryScan& Scan() const { return m_scan; }
    // Busy blocks that could not be read, wholly or in part: what they
    // point to is not known.
    std::uint32_t UnreadableBlocks() const;
    std::uint64_t RootBytes() const { return m_rootBytes; }

    // Once done: the leaks, largest first.
    std::vector<LeakRow> Rows() const;

private:
    static constexpr std::uint32_t kRoot = kNoBlock;
    void Visit(std::size_t range, Address address, const std::uint8_t* bytes, std::size_t size);
    void Mark();

    std::vector<Address> m_heapBases;
    BlockIndex m_index;
    std::uint64_t m_rootBytes = 0; // counted while the scan's ranges are made
    MemoryScan m_scan;
    unsigned m_pointerBytes;
    // The blocks each busy block points into: those of block b are
    // m_edges[m_edgeBegin[b] .. m_edgeBegin[b + 1]).
    std::vector<std::uint32_t> m_edges;
    std::vector<std::uint64_t> m_edgeBegin;
    std::uint32_t m_lastSource = 0; // the block whose edges come last
    std::vector<std::uint8_t> m_state;
    std::vector<std::uint8_t> m_firstBytes; // kLeakTextBytes a block
    bool m_marked = false;
};

} // namespace corvane
