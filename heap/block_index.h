#pragma once

// Every block of a snapshot sorted by address, to find the block that holds
// an address: one lookup for a person's address, millions for the values
// read from a process's memory.

#include "heap/heap_snapshot.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

namespace corvane {

// A block of a snapshot, with where the snapshot keeps it.
struct IndexedBlock {
    Address address = 0;
    std::uint64_t size = 0;  // cut short where address + size would wrap
    std::uint32_t heap = 0;  // its heap's position in the snapshot
    std::uint32_t block = 0; // its position in its heap's walk
    bool busy = false;

    Address End() const { return address + size; }
    bool Holds(Address value) const { return value >= address && value - address < size; }
};

// No block: what the lookups answer for an address in none.
constexpr std::uint32_t kNoBlock = ~std::uint32_t{0};

// What an index is made for: finding the block of a few addresses, or also
// the busy block of values read by the million, which takes a table more.
enum class IndexUse { Addresses, Values };

class BlockIndex {
public:
    // `snapshot` is not owned and must outlive the index.
    explicit BlockIndex(const HeapSnapshot& snapshot, IndexUse use = IndexUse::Values);

    // The block, busy or free, whose [address, address + size) holds
    // `address`; nothing when none does.
    std::optional<IndexedBlock> Find(Address address) const;
    // The busy blocks, in address order, by their position from 0. Blocks
    // of size 0 hold nothing and are left out.
    std::size_t BusyCount() const { return m_busy.size(); }
    IndexedBlock BusyBlock(std::uint32_t busy) const { return Block(m_all[m_busy[busy]]); }
    // The position of the busy block that holds `value`, or kNoBlock; only
    // in an index made for values. Made for values read by the million:
    // most are no address of a block and are turned away after a look at a
    // small table.
    std::uint32_t FindBusy(Address value) const;
    // The first block that starts at `address` or after it, if any.
    std::optional<IndexedBlock> FirstFrom(Address address) const;

private:
    // The busy blocks that overlap one granule of the address space:
    // positions [first, last) in m_busy; none when first == last.
    struct Granule {
        std::uint32_t first = 0;
        std::uint32_t last = 0;
    };
    // Granules that follow each other, from `key` on: m_granules[offset ..
    // offset + count). The blocks of a heap's region make one run.
    struct GranuleRun {
        std::uint64_t key = 0;
        std::size_t offset = 0;
        std::size_t count = 0;
    };
    static constexpr unsigned kGranuleShift = 12;
    // A block that spans more granules than this is looked up apart.
    static constexpr std::uint64_t kMostGranulesPerBlock = 256;
    // Runs are joined over gaps of up to this many granules.
    static constexpr std::uint64_t kMostGranulesInGap = 16;

    // A block by where the snapshot keeps it: eight bytes a block, so that
    // an index of millions is made in a few milliseconds.
    struct BlockRef {
        std::uint32_t heap;
        std::uint32_t block;
    };
    IndexedBlock Block(BlockRef ref) const;
    Address StartOf(BlockRef ref) const { return m_snapshot.heaps[ref.heap].blocks[ref.block].address; }

    void IndexGranules();
    std::uint32_t FindIn(std::uint32_t first, std::uint32_t last, Address value) const;

    const HeapSnapshot& m_snapshot;
    std::vector<BlockRef> m_all;
    std::vector<std::uint32_t> m_busy; // positions in m_all
    // Where each busy block starts and ends, apart: the lookups of values
    // touch only these, which stay in the processor's caches.
    struct Span {
        Address start;
        Address end;
    };
    std::vector<Span> m_spans;
    std::vector<Granule> m_granules;
    std::vector<GranuleRun> m_runs;    // in address order
    std::vector<std::uint32_t> m_long; // positions in m_busy of blocks too long for the table
    Address m_lowest = 0;              // of every busy block's bytes
    Address m_end = 0;
};

} // namespace corvane
