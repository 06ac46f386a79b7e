#include "heap/size_statistics.h"

#include "heap/heap_snapshot.h"

#include <algorithm>
#include <limits>

namespace corvane {

namespace {

constexpr std::uint64_t kMostBytes = std::numeric_limits<std::uint64_t>::max();

std::uint64_t MultiplyBytes(std::uint64_t size, std::uint64_t count) {
    return count != 0 && size > kMostBytes / count ? kMostBytes : size * count;
}

// The count of each distinct size, in an open-addressing table. A heap has
// far fewer distinct sizes than blocks, so the table stays small and every
// block costs one probe or so; it is kept at most half full.
class SizeCounts {
public:
    struct Slot {
        std::uint64_t size = 0;
        std::uint64_t count = 0; // 0: the slot is empty
    };

    void Add(std::uint64_t size) {
        if (2 * (m_used + 1) > m_slots.size()) Grow();
        Slot& slot = SlotFor(size);
        if (slot.count == 0) {
            slot.size = size;
            ++m_used;
        }
        ++slot.count;
    }

    const std::vector<Slot>& slots() const { return m_slots; }
    std::size_t used() const { return m_used; }

private:
    // Sizes are mostly multiples of 8 or 16; mixing spreads them over the table.
    static std::uint64_t Mix(std::uint64_t x) {
        x ^= x >> 33;
        x *= 0xFF51AFD7ED558CCDull;
        x ^= x >> 33;
        return x;
    }

    Slot& SlotFor(std::uint64_t size) {
        const std::size_t mask = m_slots.size() - 1;
        std::size_t index = static_cast<std::size_t>(Mix(size)) & mask;
        while (m_slots[index].count != 0 && m_slots[index].size != size)
            index = (index + 1) & mask;
        return m_slots[index];
    }

    void Grow() {
        std::vector<Slot> old;
        old.swap(m_slots);
        m_slots.resize(old.empty() ? 256 : 2 * old.size());
        for (const Slot& slot : old)
            if (slot.count != 0) SlotFor(slot.size) = slot;
    }

    std::vector<Slot> m_slots;
    std::size_t m_used = 0;
};

} // namespace

SizeStatistics ComputeSizeStatistics(const std::vector<HeapBlockCursor>& blocks) {
    SizeStatistics statistics;
    SizeCounts counts;
    for (const HeapBlockCursor& block : blocks) {
        if (IsBusyBlock(block)) {
            counts.Add(block.size);
            ++statistics.busyCount;
            statistics.busyBytes = AddBytes(statistics.busyBytes, block.size);
        } else {
            ++statistics.freeCount;
            statistics.freeBytes = AddBytes(statistics.freeBytes, block.size);
        }
    }

    statistics.rows.reserve(counts.used());
    for (const SizeCounts::Slot& slot : counts.slots()) {
        if (slot.count == 0) continue;
        SizeRow row;
        row.size = slot.size;
        row.count = slot.count;
        row.totalBytes = MultiplyBytes(row.size, row.count);
        if (statistics.busyBytes != 0)
            row.share = std::min(1.0, static_cast<double>(row.totalBytes) / static_cast<double>(statistics.busyBytes));
        statistics.rows.push_back(row);
    }
    std::sort(statistics.rows.begin(), statistics.rows.end(), [](const SizeRow& a, const SizeRow& b) {
        return a.totalBytes != b.totalBytes ? a.totalBytes > b.totalBytes : a.size < b.size;
    });
    return statistics;
}

} // namespace corvane
