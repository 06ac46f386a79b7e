#include "heap/block_index.h"

#include <algorithm>

namespace corvane {

namespace {

bool StartsBefore(const IndexedBlock& a, const IndexedBlock& b) {
    return a.address < b.address || (a.address == b.address && a.size < b.size);
}

} // namespace

BlockIndex::BlockIndex(const HeapSnapshot& snapshot) {
    std::size_t count = 0;
    for (const SnapshotHeap& heap : snapshot.heaps)
        count += heap.blocks.size();
    m_all.reserve(count);
    bool sorted = true;
    for (std::size_t h = 0; h < snapshot.heaps.size(); ++h) {
        const std::vector<HeapBlockCursor>& blocks = snapshot.heaps[h].blocks;
        for (std::size_t b = 0; b < blocks.size(); ++b) {
            IndexedBlock block;
            block.address = blocks[b].address;
            block.size = std::min<std::uint64_t>(blocks[b].size, ~std::uint64_t{0} - block.address);
            block.heap = static_cast<std::uint32_t>(h);
            block.block = static_cast<std::uint32_t>(b);
            block.busy = IsBusyBlock(blocks[b]);
            if (!m_all.empty() && StartsBefore(block, m_all.back())) sorted = false;
            m_all.push_back(block);
        }
    }
    // A heap's walk goes up through memory, so the blocks mostly come
    // sorted; heaps and segments out of order cost a sort.
    if (!sorted) std::sort(m_all.begin(), m_all.end(), StartsBefore);
    for (const IndexedBlock& block : m_all)
        if (block.busy && block.size != 0) m_busy.push_back(block);
    IndexGranules();
}

void BlockIndex::IndexGranules() {
    if (m_busy.empty()) return;
    m_lowest = m_busy.front().address;
    for (const IndexedBlock& block : m_busy)
        m_end = std::max(m_end, block.End());
    std::size_t entries = 0;
    for (const IndexedBlock& block : m_busy) {
        const std::uint64_t span = ((block.End() - 1) >> kGranuleShift) - (block.address >> kGranuleShift) + 1;
        entries += span <= kMostGranulesPerBlock ? static_cast<std::size_t>(span) : 1;
    }
    std::size_t capacity = 16;
    m_hashShift = 60;
    while (capacity < 2 * entries) {
        capacity *= 2;
        --m_hashShift;
    }
    m_granules.assign(capacity, Granule{});
    for (std::uint32_t i = 0; i < m_busy.size(); ++i) {
        const IndexedBlock& block = m_busy[i];
        const std::uint64_t first = block.address >> kGranuleShift;
        const std::uint64_t last = (block.End() - 1) >> kGranuleShift;
        if (last - first >= kMostGranulesPerBlock) {
            m_long.push_back(i);
            continue;
        }
        for (std::uint64_t key = first; key <= last; ++key) {
            Granule& granule = Slot(key);
            if (granule.key == kEmpty) granule = {key, i, i + 1};
            granule.last = i + 1; // blocks come in address order: the range only grows
        }
    }
}

BlockIndex::Granule& BlockIndex::Slot(std::uint64_t key) {
    const std::size_t mask = m_granules.size() - 1;
    std::size_t at = static_cast<std::size_t>((key * 0x9E3779B97F4A7C15ull) >> m_hashShift) & mask;
    while (m_granules[at].key != kEmpty && m_granules[at].key != key)
        at = (at + 1) & mask;
    return m_granules[at];
}

std::uint32_t BlockIndex::FindIn(std::uint32_t first, std::uint32_t last, Address value) const {
    // The last block of the range that starts at `value` or before it.
    const auto begin = m_busy.begin() + first;
    const auto after = std::upper_bound(begin, m_busy.begin() + last, value,
                                        [](Address v, const IndexedBlock& block) { return v < block.address; });
    if (after == begin) return kNoBlock;
    const auto position = static_cast<std::uint32_t>(after - 1 - m_busy.begin());
    return m_busy[position].Holds(value) ? position : kNoBlock;
}

std::uint32_t BlockIndex::FindBusy(Address value) const {
    if (value < m_lowest || value >= m_end) return kNoBlock;
    const std::size_t mask = m_granules.size() - 1;
    const std::uint64_t key = value >> kGranuleShift;
    std::size_t at = static_cast<std::size_t>((key * 0x9E3779B97F4A7C15ull) >> m_hashShift) & mask;
    for (; m_granules[at].key != kEmpty; at = (at + 1) & mask) {
        if (m_granules[at].key != key) continue;
        const std::uint32_t found = FindIn(m_granules[at].first, m_granules[at].last, value);
        if (found != kNoBlock) return found;
        break;
    }
    if (m_long.empty()) return kNoBlock;
    const auto after = std::upper_bound(m_long.begin(), m_long.end(), value,
                                        [&](Address v, std::uint32_t i) { return v < m_busy[i].address; });
    if (after == m_long.begin()) return kNoBlock;
    return m_busy[*(after - 1)].Holds(value) ? *(after - 1) : kNoBlock;
}

const IndexedBlock* BlockIndex::Find(Address address) const {
    const auto after = std::upper_bound(m_all.begin(), m_all.end(), address,
                                        [](Address v, const IndexedBlock& block) { return v < block.address; });
    if (after == m_all.begin()) return nullptr;
    // Of blocks that start together (one of them of size 0), the longest
    // comes last.
    return (after - 1)->Holds(address) ? &*(after - 1) : nullptr;
}

const IndexedBlock* BlockIndex::FirstFrom(Address address) const {
    const auto at = std::lower_bound(m_all.begin(), m_all.end(), address,
                                     [](const IndexedBlock& block, Address v) { return block.address < v; });
    return at == m_all.end() ? nullptr : &*at;
}

} // namespace corvane
