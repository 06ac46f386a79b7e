#include "tests/support/process_image.h"

#include <algorithm>
#include <cstring>

namespace corvane::testing {

ProcessImage::ProcessImage(AddressWidth addressWidth) : width(addressWidth) { snapshot.width = addressWidth; }

void ProcessImage::AddRegion(Address base, std::uint64_t size, bool writable, RegionUse use) {
    m_regions.push_back({base, std::vector<std::uint8_t>(static_cast<std::size_t>(size))});
    MemoryRegion region;
    region.base = region.allocationBase = base;
    region.size = size;
    region.readable = true;
    region.writable = writable;
    region.use = use;
    map.regions.insert(std::upper_bound(map.regions.begin(), map.regions.end(), region,
                                        [](const MemoryRegion& a, const MemoryRegion& b) { return a.base < b.base; }),
                       region);
}

void ProcessImage::FailReadsOf(Address base) {
    for (Region& region : m_regions)
        if (region.base == base) region.fails = true;
}

std::uint32_t ProcessImage::AddHeap(Address base, std::uint64_t size) {
    AddRegion(base, size, true);
    SnapshotHeap heap;
    heap.record.base = base;
    snapshot.heaps.push_back(heap);
    m_nextBlock.push_back(base + 0x100);
    return static_cast<std::uint32_t>(snapshot.heaps.size() - 1);
}

Address ProcessImage::AddBlock(std::uint32_t heap, std::uint64_t size, bool busy) {
    HeapBlockCursor block;
    block.address = m_nextBlock[heap] + 16;
    block.size = size;
    block.kind = busy ? BlockKind::Fixed : BlockKind::Free;
    block.entryIndex = static_cast<std::uint32_t>(snapshot.heaps[heap].blocks.size());
    snapshot.heaps[heap].blocks.push_back(block);
    m_nextBlock[heap] = block.address + (size + 15) / 16 * 16;
    return block.address;
}

ProcessImage::Region* ProcessImage::RegionHolding(Address address, std::size_t size) {
    for (Region& region : m_regions)
        if (address >= region.base && address - region.base <= region.bytes.size() &&
            size <= region.bytes.size() - (address - region.base))
            return &region;
    return nullptr;
}

void ProcessImage::PutPointer(Address at, Address value) {
    if (width == AddressWidth::Bits64) {
        PutBytes(at, &value, 8);
    } else {
        const auto narrow = static_cast<std::uint32_t>(value);
        PutBytes(at, &narrow, 4);
    }
}

void ProcessImage::PutBytes(Address at, const void* bytes, std::size_t size) {
    Region* region = RegionHolding(at, size);
    if (region) std::memcpy(region->bytes.data() + (at - region->base), bytes, size);
}

std::uint8_t* ProcessImage::BytesAt(Address at, std::size_t size) {
    Region* region = RegionHolding(at, size);
    return region ? region->bytes.data() + (at - region->base) : nullptr;
}

bool ProcessImage::Read(Address address, void* destination, std::size_t size, std::size_t& bytesRead) {
    ++reads;
    bytesRead = 0;
    Region* region = RegionHolding(address, size);
    if (!region || region->fails) return false;
    std::memcpy(destination, region->bytes.data() + (address - region->base), size);
    bytesRead = size;
    return true;
}

} // namespace corvane::testing
