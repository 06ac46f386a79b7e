#pragma once

// A process's memory made up for tests and benchmarks: regions of bytes at
// chosen addresses, the memory map that describes them, and a snapshot of
// heaps whose blocks lie in them.

#include "heap/block_source.h"
#include "heap/heap_snapshot.h"
#include "heap/process_memory.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace corvane::testing {

class ProcessImage : public TargetMemory {
public:
    explicit ProcessImage(AddressWidth width);

    // A committed region of `size` zero bytes, a reservation of its own.
    void AddRegion(Address base, std::uint64_t size, bool writable, RegionUse use = RegionUse::Private);
    // The region at `base` stays in the map, but reading it fails.
    void FailReadsOf(Address base);
    // A heap whose reservation is a writable region at `base`; its blocks
    // follow its first 0x100 bytes. Returns its position in the snapshot.
    std::uint32_t AddHeap(Address base, std::uint64_t size);
    // A block after the heap's last one and a 16-byte header.
    Address AddBlock(std::uint32_t heap, std::uint64_t size, bool busy = true);

    void PutPointer(Address at, Address value);
    void PutBytes(Address at, const void* bytes, std::size_t size);
    // The image's own bytes at [at, at + size), or null outside its regions.
    std::uint8_t* BytesAt(Address at, std::size_t size);

    bool Read(Address address, void* destination, std::size_t size, std::size_t& bytesRead) override;

    AddressWidth width;
    HeapSnapshot snapshot;
    ProcessMemoryMap map;
    std::size_t reads = 0;

private:
    struct Region {
        Address base;
        std::vector<std::uint8_t> bytes;
        bool fails = false;
    };
    Region* RegionHolding(Address address, std::size_t size);

    std::vector<Region> m_regions;
    std::vector<Address> m_nextBlock; // by heap
};

} // namespace corvane::testing
