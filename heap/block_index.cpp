#include "heap/block_index.h"

#include <algorithm>

namespace corvane {

BlockIndex::BlockIndex(const HeapSnapshot& snapshot, IndexUse use) : m_snapshot(snapshot) {
    std::size_t count = 0;
    for (const SnapshotHeap& heap : snapshot.heaps)
        count += heap.blocks.size();
    m_all.reserve(count);
    const auto before = [this](BlockRef a, BlockRef b) {
        const HeapBlockCursor& x = m_snapshot.heaps[a.heap].blocks[a.block];
        const HeapBlockCursor& y = m_snapshot.heaps[b.heap].blocks[b.block];
        return x.address < y.address || (x.address == y.address && x.size < y.size);
    };
    bool sorted = true;
    for (std::uint32_t h = 0; h < snapshot.heaps.size(); ++h) {
        for (std::uint32_t b = 0; b < snapshot.heaps[h].blocks.size(); ++b) {
            const BlockRef ref{h, b};
            if (!m_all.empty() && before(ref, m_all.back())) sorted = false;
            m_all.push_back(ref);
        }
    }
    // A heap's walk goes up through memory, so the blocks mostly come
    // sorted; heaps and segments out of order cost a sort.
    if (!sorted) std::sort(m_all.begin(), m_all.end(), before);
    for (std::uint32_t i = 0; i < m_all.size(); ++i) {
        const HeapBlockCursor& block = snapshot.heaps[m_all[i].heap].blocks[m_all[i].block];
        if (IsBusyBlock(block) && block.size != 0) m_busy.push_back(i);
    }
    if (use == IndexUse::Values) IndexGranules();
}

IndexedBlock BlockIndex::Block(BlockRef ref) const {
    const HeapBlockCursor& cursor = m_snapshot.heaps[ref.heap].blocks[ref.block];
    IndexedBlock block;
    block.address = cursor.address;
    block.size = std::min<std::uint64_t>(cursor.size, ~std::uint64_t{0} - cursor.address);
    block.heap = ref.heap;
    block.block = ref.block;
    block.busy = IsBusyBlock(cursor);
    return block;
}

void BlockIndex::IndexGranules() {
    if (m_busy.empty()) return;
    m_spans.reserve(m_busy.size());
    for (const std::uint32_t position : m_busy) {
        const IndexedBlock block = Block(m_all[position]);
        m_spans.push_back({block.address, block.End()});
    }
    m_lowest = m_spans.front().start;
    for (std::uint32_t i = 0; i < m_busy.size(); ++i) {
        const Span block = m_spans[i];
        m_end = std::max(m_end, block.end);
        const std::uint64_t first = block.start >> kGranuleShift;
        const std::uint64_t last = (block.end - 1) >> kGranuleShift;
        if (last - first >= kMostGranulesPerBlock) {
            m_long.push_back(i);
            continue;
        }
        // The blocks come in address order: a block starts in the last run
        // or after it.
        if (m_runs.empty() || first > m_runs.back().key + m_runs.back().count + kMostGranulesInGap)
            m_runs.push_back({first, m_granules.size(), 0});
        GranuleRun& run = m_runs.back();
        if (last >= run.key + run.count) {
            run.count = static_cast<std::size_t>(last - run.key + 1);
            m_granules.resize(run.offset + run.count);
        }
        for (std::uint64_t key = std::max(first, run.key); key <= last; ++key) {
            Granule& granule = m_granules[run.offset + static_cast<std::size_t>(key - run.key)];
            if (granule.first == granule.last) granule.first = i;
            granule.last = i + 1; // in address order, the range only grows
        }
    }
}

std::uint32_t BlockIndex::FindIn(std::uint32_t first, std::uint32_t last, Address value) const {
    // The last block of the range that starts at `value` or before it.
    const auto begin = m_spans.begin() + first;
    const auto after = std::upper_bound(begin, m_spans.begin() + last, value,
                                        [](Address v, const Span& span) { return v < span.start; });
    if (after == begin || value >= (after - 1)->end) return kNoBlock;
    return static_cast<std::uint32_t>(after - 1 - m_spans.begin());
}

std::uint32_t BlockIndex::FindBusy(Address value) const {
    if (value < m_lowest || value >= m_end) return kNoBlock;
    const std::uint64_t key = value >> kGranuleShift;
    const auto run = std::upper_bound(m_runs.begin(), m_runs.end(), key,
                                      [](std::uint64_t k, const GranuleRun& r) { return k < r.key; });
    if (run != m_runs.begin() && key - (run - 1)->key < (run - 1)->count) {
        const Granule& granule = m_granules[(run - 1)->offset + static_cast<std::size_t>(key - (run - 1)->key)];
        const std::uint32_t found = FindIn(granule.first, granule.last, value);
        if (found != kNoBlock) return found;
    }
    if (m_long.empty()) return kNoBlock;
    const auto after = std::upper_bound(m_long.begin(), m_long.end(), value,
                                        [&](Address v, std::uint32_t i) { return v < m_spans[i].start; });
    if (after == m_long.begin()) return kNoBlock;
    return value < m_spans[*(after - 1)].end ? *(after - 1) : kNoBlock;
}

std::optional<IndexedBlock> BlockIndex::Find(Address address) const {
    const auto after = std::upper_bound(m_all.begin(), m_all.end(), address,
                                        [this](Address v, BlockRef ref) { return v < StartOf(ref); });
    if (after == m_all.begin()) return std::nullopt;
    // Of blocks that start together (one of them of size 0), the longest
    // comes last.
    const IndexedBlock block = Block(*(after - 1));
    if (!block.Holds(address)) return std::nullopt;
    return block;
}

std::optional<IndexedBlock> BlockIndex::FirstFrom(Address address) const {
    const auto at = std::lower_bound(m_all.begin(), m_all.end(), address,
                                     [this](BlockRef ref, Address v) { return StartOf(ref) < v; });
    if (at == m_all.end()) return std::nullopt;
    return Block(*at);
}

} // namespace corvane
