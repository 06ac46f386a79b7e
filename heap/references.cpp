#include "heap/references.h"

#include "heap/dump_text.h"

#include <algorithm>
#include <optional>

namespace corvane {

namespace {

// What the leak search knows of a busy block.
enum : std::uint8_t {
    kReferenced = 1, // a root or another block points into it
    kFromRoot = 2,   // a root points into it
    kReached = 4,
    kRead = 8, // its first bytes were read
};

template <typename Range> const Range* RangeHolding(const std::vector<Range>& ranges, Address address) {
    // The ranges are in address order and do not overlap.
    const auto after = std::upper_bound(ranges.begin(), ranges.end(), address,
                                        [](Address a, const Range& range) { return a < range.base; });
    if (after == ranges.begin()) return nullptr;
    const Range& range = *(after - 1);
    return address - range.base < range.size ? &range : nullptr;
}

} // namespace

unsigned PointerBytes(AddressWidth width) { return width == AddressWidth::Bits64 ? 8 : 4; }

std::vector<HeapAllocation> HeapAllocations(const HeapSnapshot& snapshot, const BlockIndex& index,
                                            const ProcessMemoryMap& map) {
    std::vector<HeapAllocation> heaps;
    const std::vector<MemoryRegion>& regions = map.regions;
    for (std::size_t i = 0; i < regions.size();) {
        // A reservation's committed regions follow each other in the map.
        std::size_t last = i;
        while (last + 1 < regions.size() && regions[last + 1].allocationBase == regions[i].allocationBase)
            ++last;
        const Address begin = std::min(regions[i].allocationBase, regions[i].base);
        const Address end = regions[last].base + regions[last].size;
        i = last + 1;
        std::optional<std::uint32_t> heap;
        for (std::size_t h = 0; h < snapshot.heaps.size() && !heap; ++h)
            if (snapshot.heaps[h].record.base >= begin && snapshot.heaps[h].record.base < end)
                heap = static_cast<std::uint32_t>(h);
        const std::optional<IndexedBlock> block = index.FirstFrom(begin);
        if (!heap && block && block->address < end) heap = block->heap;
        if (heap) heaps.push_back({begin, end, *heap});
    }
    return heaps;
}

AddressPlaces::AddressPlaces(const HeapSnapshot& snapshot, const BlockIndex& index, const ProcessMemoryMap& map)
    : m_snapshot(snapshot), m_index(index), m_map(map), m_heaps(HeapAllocations(snapshot, index, map)) {}

AddressPlace AddressPlaces::Locate(Address address) const {
    AddressPlace place;
    if (const std::optional<IndexedBlock> block = m_index.Find(address)) {
        place.kind = block->busy ? PlaceKind::BusyBlock : PlaceKind::FreeBlock;
        place.heapBase = m_snapshot.heaps[block->heap].record.base;
        place.start = block->address;
        place.offset = address - block->address;
        return place;
    }
    const auto heap = std::upper_bound(m_heaps.begin(), m_heaps.end(), address,
                                       [](Address a, const HeapAllocation& h) { return a < h.begin; });
    if (heap != m_heaps.begin() && address < (heap - 1)->end) {
        place.kind = PlaceKind::Heap;
        place.heapBase = m_snapshot.heaps[(heap - 1)->heap].record.base;
        return place;
    }
    for (const ThreadStack& stack : m_map.stacks) {
        if (address >= stack.low && address < stack.high) {
            place.kind = PlaceKind::Stack;
            place.threadId = stack.threadId;
            return place;
        }
    }
    if (const ModuleRange* module = RangeHolding(m_map.modules, address)) {
        place.kind = PlaceKind::Module;
        place.start = module->base;
        place.offset = address - module->base;
        place.module = module->name;
        return place;
    }
    if (const MemoryRegion* region = RangeHolding(m_map.regions, address)) {
        place.kind = region->use == RegionUse::Image    ? PlaceKind::Image
                     : region->use == RegionUse::Mapped ? PlaceKind::Mapped
                                                        : PlaceKind::Private;
        place.start = region->base;
        place.offset = address - region->base;
    }
    return place;
}

std::vector<BlockPointer> PointersInBlock(const BlockIndex& index, const std::uint8_t* bytes, std::size_t size,
                                          Address address, AddressWidth width) {
    std::vector<BlockPointer> pointers;
    ForEachAlignedValue(bytes, size, address, PointerBytes(width), [&](Address at, Address value) {
        const std::uint32_t target = index.FindBusy(value);
        if (target != kNoBlock) pointers.push_back({at - address, value, target});
    });
    return pointers;
}

namespace {

std::vector<ScanRange> ReadableRegions(const ProcessMemoryMap& map) {
    std::vector<ScanRange> ranges;
    for (const MemoryRegion& region : map.regions)
        if (region.readable) ranges.push_back({region.base, region.size, 0});
    return ranges;
}

} // namespace

ReferrerSearch::ReferrerSearch(TargetMemory& memory, const ProcessMemoryMap& map, Address block, std::uint64_t size,
                               AddressWidth width, std::size_t pieceSize, std::size_t hitLimit)
    : m_scan(memory, ReadableRegions(map), pieceSize), m_block(block), m_size(size),
      m_pointerBytes(PointerBytes(width)), m_hitLimit(hitLimit) {}

bool ReferrerSearch::Step(std::uint64_t byteBudget, std::vector<Referrer>& found) {
    if (Done()) return false;
    m_scan.Step(byteBudget, [&](std::size_t, Address address, const std::uint8_t* bytes, std::size_t size) {
        ForEachAlignedValue(bytes, size, address, m_pointerBytes, [&](Address at, Address value) {
            if (value - m_block >= m_size || m_hitLimitReached) return;
            if (m_hits == m_hitLimit) {
                m_hitLimitReached = true;
                return;
            }
            ++m_hits;
            found.push_back({at, value});
        });
    });
    return !Done();
}

namespace {

// Where a region ends; one that would end past the top of the address space
// ends at its last byte.
Address RegionEnd(const MemoryRegion& region) {
    return region.size > ~region.base ? ~Address{0} : region.base + region.size;
}

// The roots and every busy block, as ranges to read: a root's tag is
// kNoBlock, a block's its position among the busy blocks.
std::vector<ScanRange> LeakRanges(const HeapSnapshot& snapshot, const BlockIndex& index, const ProcessMemoryMap& map,
                                  std::uint64_t& rootBytes) {
    std::vector<ScanRange> ranges;
    const std::vector<HeapAllocation> heaps = HeapAllocations(snapshot, index, map);
    for (const MemoryRegion& region : map.regions) {
        if (!region.readable || !region.writable) continue;
        const auto heap = std::upper_bound(heaps.begin(), heaps.end(), region.base,
                                           [](Address a, const HeapAllocation& h) { return a < h.begin; });
        if (heap != heaps.begin() && region.base < (heap - 1)->end) continue;
        ranges.push_back({region.base, region.size, kNoBlock});
        rootBytes += region.size;
    }
    // A block is read only where the map says the process's memory is: its
    // size comes from the process and may claim more than it has.
    const std::vector<MemoryRegion>& regions = map.regions;
    for (std::uint32_t b = 0; b < index.BusyCount(); ++b) {
        const IndexedBlock block = index.BusyBlock(b);
        const Address end = block.size > ~block.address ? ~Address{0} : block.address + block.size;
        auto region = std::upper_bound(regions.begin(), regions.end(), block.address,
                                       [](Address a, const MemoryRegion& r) { return a < RegionEnd(r); });
        for (; region != regions.end() && region->base < end; ++region) {
            if (!region->readable) continue;
            const Address from = std::max(block.address, region->base);
            const Address to = std::min(end, RegionEnd(*region));
            if (from < to) ranges.push_back({from, to - from, b});
        }
    }
    return ranges;
}

} // namespace

LeakSearch::LeakSearch(TargetMemory& memory, const HeapSnapshot& snapshot, const ProcessMemoryMap& map,
                       std::size_t pieceSize)
    : m_index(snapshot), m_scan(memory, LeakRanges(snapshot, m_index, map, m_rootBytes), pieceSize),
      m_pointerBytes(PointerBytes(snapshot.width)) {
    for (const SnapshotHeap& heap : snapshot.heaps)
        m_heapBases.push_back(heap.record.base);
    const std::size_t count = m_index.BusyCount();
    m_edgeBegin.assign(count + 1, 0);
    m_state.assign(count, 0);
    m_firstBytes.assign(count * kLeakTextBytes, 0);
}

bool LeakSearch::Step(std::uint64_t byteBudget) {
    if (m_marked) return false;
    // The marking takes a step of its own, after the last read.
    if (m_scan.Done()) {
        Mark();
        return false;
    }
    m_scan.Step(byteBudget, [this](std::size_t range, Address address, const std::uint8_t* bytes, std::size_t size) {
        Visit(range, address, bytes, size);
    });
    return true;
}

void LeakSearch::Visit(std::size_t range, Address address, const std::uint8_t* bytes, std::size_t size) {
    const std::uint32_t source = m_scan.Ranges()[range].tag;
    if (source == kRoot) {
        ForEachAlignedValue(bytes, size, address, m_pointerBytes, [this](Address, Address value) {
            const std::uint32_t target = m_index.FindBusy(value);
            if (target != kNoBlock) m_state[target] |= kReferenced | kFromRoot;
        });
        return;
    }
    const IndexedBlock block = m_index.BusyBlock(source);
    if (address == block.address) {
        m_state[source] |= kRead;
        std::copy_n(bytes, std::min(size, kLeakTextBytes), m_firstBytes.begin() + source * kLeakTextBytes);
    }
    // The blocks come in address order, which is their order among the
    // busy blocks: each one's edges follow the last one's.
    if (source < m_lastSource) return;
    for (; m_lastSource < source; ++m_lastSource)
        m_edgeBegin[m_lastSource + 1] = m_edges.size();
    ForEachAlignedValue(bytes, size, address, m_pointerBytes, [&](Address, Address value) {
        const std::uint32_t target = m_index.FindBusy(value);
        if (target == kNoBlock || target == source) return;
        m_state[target] |= kReferenced;
        // A run of values into one block makes one edge.
        if (m_edges.size() > m_edgeBegin[source] && m_edges.back() == target) return;
        m_edges.push_back(target);
    });
}

void LeakSearch::Mark() {
    const std::size_t count = m_state.size();
    for (std::size_t b = m_lastSource + 1; b <= count; ++b)
        m_edgeBegin[b] = m_edges.size();
    std::vector<std::uint32_t> pending;
    for (std::uint32_t b = 0; b < count; ++b) {
        if (!(m_state[b] & kFromRoot)) continue;
        m_state[b] |= kReached;
        pending.push_back(b);
    }
    while (!pending.empty()) {
        const std::uint32_t b = pending.back();
        pending.pop_back();
        for (std::uint64_t e = m_edgeBegin[b]; e < m_edgeBegin[b + 1]; ++e) {
            const std::uint32_t target = m_edges[e];
            if (m_state[target] & kReached) continue;
            m_state[target] |= kReached;
            pending.push_back(target);
        }
    }
    m_edges.clear();
    m_edges.shrink_to_fit();
    m_marked = true;
}

std::uint32_t LeakSearch::UnreadableBlocks() const {
    return static_cast<std::uint32_t>(
        std::count_if(m_state.begin(), m_state.end(), [](std::uint8_t state) { return !(state & kRead); }));
}

std::vector<LeakRow> LeakSearch::Rows() const {
    std::vector<LeakRow> rows;
    if (!m_marked) return rows;
    for (std::uint32_t b = 0; b < m_index.BusyCount(); ++b) {
        if (m_state[b] & kReached) continue;
        const IndexedBlock block = m_index.BusyBlock(b);
        LeakRow row;
        row.heapBase = m_heapBases[block.heap];
        row.address = block.address;
        row.size = block.size;
        row.kind = (m_state[b] & kReferenced) ? LeakKind::Unreachable : LeakKind::Unreferenced;
        const std::size_t length = static_cast<std::size_t>(std::min<std::uint64_t>(block.size, kLeakTextBytes));
        for (std::size_t i = 0; i < length; ++i)
            row.text[i] = DumpCharacter(m_firstBytes[b * kLeakTextBytes + i]);
        rows.push_back(row);
    }
    std::stable_sort(rows.begin(), rows.end(), [](const LeakRow& a, const LeakRow& b) { return a.size > b.size; });
    return rows;
}

LeakTotals TotalLeaks(const std::vector<LeakRow>& rows) {
    LeakTotals totals;
    for (const LeakRow& row : rows) {
        const auto kind = static_cast<std::size_t>(row.kind);
        ++totals.blocks[kind];
        totals.bytes[kind] = AddBytes(totals.bytes[kind], row.size);
    }
    return totals;
}

} // namespace corvane
