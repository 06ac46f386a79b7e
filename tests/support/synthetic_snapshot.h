#pragma once

// Synthetic address spaces and debug-information buffers laid out at chosen
// addresses, for exercising the snapshot reader without the platform.

#include "heap/debug_buffer.h"
#include "heap/memory_view.h"
#include "heap/services.h"

#include <cstdint>
#include <map>
#include <tuple>
#include <vector>

namespace corvane::testing {

// An address space made of separate mapped regions; everything else is a
// hole. A read must lie wholly inside one region.
class SyntheticMemory : public MemoryView {
public:
    // Maps `size` zero bytes at `address`; the region must not overlap another.
    void Map(Address address, std::size_t size);
    void Unmap(Address address);

    void Put(Address address, const void* bytes, std::size_t size);
    void Put16(Address address, std::uint16_t value) { PutLittleEndian(address, value, 2); }
    void Put32(Address address, std::uint32_t value) { PutLittleEndian(address, value, 4); }
    void Put64(Address address, std::uint64_t value) { PutLittleEndian(address, value, 8); }
    void PutLittleEndian(Address address, std::uint64_t value, unsigned width);

    bool IsReadable(Address address, std::size_t size) const override;
    bool Read(Address address, void* destination, std::size_t size) const override;

    // How many reads were made, and the furthest byte any read touched.
    std::size_t reads() const { return m_reads; }

private:
    const std::vector<unsigned char>* RegionFor(Address address, std::size_t size, Address& base) const;
    std::map<Address, std::vector<unsigned char>> m_regions;
    mutable std::size_t m_reads = 0;
};

// Field positions of each record layout, for writing buffers.
struct SyntheticLayout {
    unsigned pointerSize, heapsPointerOffset, heapArrayOffset, heapRecordSize, entryRecordSize;
    unsigned entryCountOffset, entriesOffset;
    static SyntheticLayout Of(HeapRecordLayout layout);
};

// A heap to lay out: its record (whose `entries` address the layout fills
// in) and its entry records.
using SyntheticHeap = HeapWithEntries;

// A block row of a heap as the lists show it: address, size, free.
using BlockRowValues = std::tuple<Address, std::uint64_t, bool>;
// The heap's block rows, walked as the block list walks them, sorted.
std::vector<BlockRowValues> WalkBlockRows(const HeapWithEntries& heap);

// Writes a heap record or an entry record at `address` (already mapped).
void WriteHeapRecord(SyntheticMemory& memory, HeapRecordLayout layout, Address address, const HeapRecord& heap);
void WriteEntryRecord(SyntheticMemory& memory, HeapRecordLayout layout, Address address, const HeapEntry& entry);

// Addresses of what LaySnapshot wrote.
struct SnapshotAddresses {
    Address buffer = 0;
    Address heapList = 0;
    std::vector<Address> heapRecords;
    std::vector<Address> entryArrays;
};

// Lays out a whole buffer: the header at `buffer`, the process-heaps record
// in its own region at `heapList` (0 writes a null heaps pointer and no
// list), and each heap's entries in a region of their own after it.
SnapshotAddresses LaySnapshot(SyntheticMemory& memory, HeapRecordLayout layout, Address buffer, Address heapList,
                              const std::vector<SyntheticHeap>& heaps);

// A debug-information service that answers from a synthetic memory.
class SyntheticDebugService : public DebugInfoService {
public:
    SyntheticDebugService(SyntheticMemory& memory, HeapRecordLayout layout, Address buffer)
        : m_memory(memory), m_layout(layout), m_buffer(buffer) {}

    // Knobs for failure paths.
    bool failCreate = false;
    std::uint32_t fullQueryStatus = 0;
    std::uint32_t summaryQueryStatus = 0;
    // IsRunning answers false from this call on (counted from 1; 0: never).
    int endsAtRunningCheck = 0;
    int runningChecks = 0;

    // What happened.
    int created = 0;
    int destroyed = 0;
    std::vector<std::uint32_t> queriedFlags;
    std::vector<std::uint32_t> queriedProcesses;

    Address CreateBuffer() override;
    std::uint32_t Query(std::uint32_t processId, std::uint32_t flags, Address buffer) override;
    void DestroyBuffer(Address buffer) override;
    bool IsRunning(std::uint32_t) override {
        ++runningChecks;
        return endsAtRunningCheck == 0 || runningChecks < endsAtRunningCheck;
    }
    const MemoryView& Memory() const override { return m_memory; }
    HeapRecordLayout Layout() const override { return m_layout; }

private:
    SyntheticMemory& m_memory;
    HeapRecordLayout m_layout;
    Address m_buffer;
};

} // namespace corvane::testing
