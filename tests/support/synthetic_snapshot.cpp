#include "tests/support/synthetic_snapshot.h"

#include "heap/block_walk.h"

#include <algorithm>

#include <cassert>
#include <cstring>
#include <stdexcept>

namespace corvane::testing {

void SyntheticMemory::Map(Address address, std::size_t size) {
    auto next = m_regions.lower_bound(address);
    if (next != m_regions.end() && next->first < address + size) throw std::logic_error("overlapping regions");
    if (next != m_regions.begin()) {
        auto previous = std::prev(next);
        if (previous->first + previous->second.size() > address) throw std::logic_error("overlapping regions");
    }
    m_regions[address].assign(size, 0);
}

void SyntheticMemory::Unmap(Address address) { m_regions.erase(address); }

const std::vector<unsigned char>* SyntheticMemory::RegionFor(Address address, std::size_t size, Address& base) const {
    auto it = m_regions.upper_bound(address);
    if (it == m_regions.begin()) return nullptr;
    --it;
    const Address offset = address - it->first;
    if (offset > it->second.size() || size > it->second.size() - offset) return nullptr;
    base = it->first;
    return &it->second;
}

void SyntheticMemory::Put(Address address, const void* bytes, std::size_t size) {
    Address base = 0;
    auto* region = const_cast<std::vector<unsigned char>*>(RegionFor(address, size, base));
    if (!region) throw std::logic_error("write outside mapped memory");
    std::memcpy(region->data() + (address - base), bytes, size);
}

void SyntheticMemory::PutLittleEndian(Address address, std::uint64_t value, unsigned width) {
    unsigned char bytes[8];
    for (unsigned i = 0; i < width; ++i)
        bytes[i] = static_cast<unsigned char>(value >> (8 * i));
    Put(address, bytes, width);
}

bool SyntheticMemory::IsReadable(Address address, std::size_t size) const {
    Address base = 0;
    return size == 0 || RegionFor(address, size, base) != nullptr;
}

bool SyntheticMemory::Read(Address address, void* destination, std::size_t size) const {
    ++m_reads;
    if (size == 0) return true;
    Address base = 0;
    const auto* region = RegionFor(address, size, base);
    if (!region) return false;
    std::memcpy(destination, region->data() + (address - base), size);
    return true;
}

SyntheticLayout SyntheticLayout::Of(HeapRecordLayout layout) {
    switch (layout) {
    case HeapRecordLayout::Tagged32: return {4, 0x38, 8, 72, 16, 0x18, 0x3C};
    case HeapRecordLayout::Native64: return {8, 0x70, 8, 88, 32, 0x24, 0x50};
    case HeapRecordLayout::Classic32: break;
    }
    return {4, 0x38, 4, 64, 16, 0x18, 0x3C};
}

void WriteHeapRecord(SyntheticMemory& memory, HeapRecordLayout layout, Address address, const HeapRecord& heap) {
    const SyntheticLayout l = SyntheticLayout::Of(layout);
    const bool wide = l.pointerSize == 8;
    memory.PutLittleEndian(address + 0x00, heap.base, l.pointerSize);
    memory.Put32(address + (wide ? 0x08 : 0x04), heap.flags);
    memory.Put16(address + (wide ? 0x0C : 0x08), heap.entryOverhead);
    memory.PutLittleEndian(address + (wide ? 0x10 : 0x0C), heap.bytesAllocated, l.pointerSize);
    memory.PutLittleEndian(address + (wide ? 0x18 : 0x10), heap.bytesCommitted, l.pointerSize);
    memory.Put32(address + l.entryCountOffset, heap.entryCount);
    memory.PutLittleEndian(address + l.entriesOffset, heap.entries, l.pointerSize);
    if (layout == HeapRecordLayout::Tagged32) memory.Put64(address + 64, 0x7A67'7A67'7A67'7A67ull);
}

void WriteEntryRecord(SyntheticMemory& memory, HeapRecordLayout layout, Address address, const HeapEntry& entry) {
    const SyntheticLayout l = SyntheticLayout::Of(layout);
    const bool wide = l.pointerSize == 8;
    memory.PutLittleEndian(address, entry.size, l.pointerSize);
    memory.Put16(address + (wide ? 0x08 : 0x04), entry.flags);
    // Other fields get noise, which the reader must not take for data.
    memory.Put16(address + (wide ? 0x0A : 0x06), 0xBEEF);
    memory.PutLittleEndian(address + (wide ? 0x18 : 0x0C), entry.firstBlock, l.pointerSize);
}

SnapshotAddresses LaySnapshot(SyntheticMemory& memory, HeapRecordLayout layout, Address buffer, Address heapList,
                              const std::vector<SyntheticHeap>& heaps) {
    const SyntheticLayout l = SyntheticLayout::Of(layout);
    SnapshotAddresses at;
    at.buffer = buffer;
    at.heapList = heapList;
    memory.Map(buffer, 0x100);
    memory.PutLittleEndian(buffer + l.heapsPointerOffset, heapList, l.pointerSize);
    if (heapList == 0) return at;

    memory.Map(heapList, l.heapArrayOffset + heaps.size() * l.heapRecordSize);
    memory.Put32(heapList, static_cast<std::uint32_t>(heaps.size()));
    // Entry arrays follow the heap list, each in a region of its own with a
    // gap after it, so that a read past one array fails.
    Address next = (heapList + l.heapArrayOffset + heaps.size() * l.heapRecordSize + 0x1000) & ~Address{0xFFF};
    for (std::size_t i = 0; i < heaps.size(); ++i) {
        HeapRecord record = heaps[i].record;
        const std::size_t bytes = heaps[i].entries.size() * l.entryRecordSize;
        record.entries = bytes ? next : 0;
        if (bytes) {
            memory.Map(next, bytes);
            for (std::size_t k = 0; k < heaps[i].entries.size(); ++k)
                WriteEntryRecord(memory, layout, next + k * l.entryRecordSize, heaps[i].entries[k]);
            at.entryArrays.push_back(next);
            next = (next + bytes + 0x1FFF) & ~Address{0xFFF};
        } else {
            at.entryArrays.push_back(0);
        }
        const Address recordAddress = heapList + l.heapArrayOffset + i * l.heapRecordSize;
        WriteHeapRecord(memory, layout, recordAddress, record);
        at.heapRecords.push_back(recordAddress);
    }
    return at;
}

std::vector<BlockRowValues> WalkBlockRows(const HeapWithEntries& heap) {
    std::vector<BlockRowValues> rows;
    HeapBlockCursor cursor;
    for (bool more = HeapBlockFirst(heap.record, heap.entries, cursor); more;
         more = HeapBlockNext(heap.record, heap.entries, cursor))
        rows.emplace_back(cursor.address, cursor.size, cursor.kind == BlockKind::Free);
    std::sort(rows.begin(), rows.end());
    return rows;
}

Address SyntheticDebugService::CreateBuffer() {
    if (failCreate) return 0;
    ++created;
    return m_buffer;
}

std::uint32_t SyntheticDebugService::Query(std::uint32_t processId, std::uint32_t flags, Address buffer) {
    if (buffer != m_buffer) throw std::logic_error("query of a buffer that was not handed out");
    queriedFlags.push_back(flags);
    queriedProcesses.push_back(processId);
    return flags == kQueryHeapsWithEntries ? fullQueryStatus : summaryQueryStatus;
}

void SyntheticDebugService::DestroyBuffer(Address buffer) {
    if (buffer != m_buffer) throw std::logic_error("query of a buffer that was not handed out");
    ++destroyed;
}

} // namespace corvane::testing
