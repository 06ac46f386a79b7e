#pragma once

// Every block of a snapshot sorted by address, to find the block that holds
// an address: one lookup for a person's address, millions for the values
// read from a process's memory.

#include "heap/heap_snapshot.h"

#include <cstddef>
#include <cstdint>
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

class BlockIndex {
public:
    explicit BlockIndex(const HeapSnapshot& snapshot);

    // The block, busy or free, whose [address, address + size) holds
    // `address`; null when none does.
    const IndexedBlock* Find(Address address) const;
    // The busy blocks, in address order. Blocks of size 0 hold nothing and
    // are left out.
    const std::vector<IndexedBlock>& Busy() const { return m_busy; }
    // The position in Busy() of the busy block that holds `value`, or
    // kNoBlock. Made for values read by the million: most are no address
    // of a block and are turned away after a look at a small table.
    std::uint32_t FindBusy(Address value) const;
    // The first block that starts at `address` or after it; null when none.
    const IndexedBlock* FirstFrom(Address address) const;

private:
    // The busy blocks that overlap one granule of the address space:
    // positions [first, last) in m_busy.
    struct Granule {
        std::uint64_t key = kEmpty;
        std::uint32_t first = 0;
        std::uint32_t last = 0;
    };
    static constexpr std::uint64_t kEmpty = ~std::uint64_t{0};
    static constexpr unsigned kGranuleShift = 12;
    // A block that spans more granules than this is looked up apart.
    static constexpr std::uint64_t kMostGranulesPerBlock = 256;

    void IndexGranules();
    Granule& Slot(std::uint64_t key);
    std::uint32_t FindIn(std::uint32_t first, std::uint32_t last, Address value) const;

    std::vector<IndexedBlock> m_all;
    std::vector<IndexedBlock> m_busy;
    std::vector<Granule> m_granules; // open addressing, a power of two long
    unsigned m_hashShift = 64;
    std::vector<std::uint32_t> m_long; // positions in m_busy of blocks too long for the table
    Address m_lowest = 0;              // of every busy block's bytes
    Address m_end = 0;
};

} // namespace corvane
