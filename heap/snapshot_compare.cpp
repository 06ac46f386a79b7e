#include "heap/snapshot_compare.h"

#include <algorithm>
#include <iterator>
#include <limits>
#include <utility>

namespace corvane {

namespace {

bool SameBlockLess(const HeapBlockCursor& a, const HeapBlockCursor& b) {
    return a.address != b.address ? a.address < b.address : a.size < b.size;
}

// Equal (address, size) pairs by entry, so the result does not depend on how
// the sort breaks ties.
bool ByAddressThenSize(const HeapBlockCursor& a, const HeapBlockCursor& b) {
    if (a.address != b.address) return a.address < b.address;
    if (a.size != b.size) return a.size < b.size;
    return a.entryIndex < b.entryIndex;
}

bool LargestFirst(const HeapBlockCursor& a, const HeapBlockCursor& b) {
    if (a.size != b.size) return a.size > b.size;
    if (a.address != b.address) return a.address < b.address;
    return a.entryIndex < b.entryIndex;
}

// A walk gives its blocks in address order already, which spares the sort.
std::vector<HeapBlockCursor> BusyBlocksInOrder(const std::vector<HeapBlockCursor>& blocks) {
    std::vector<HeapBlockCursor> busy;
    busy.reserve(blocks.size());
    std::copy_if(blocks.begin(), blocks.end(), std::back_inserter(busy), IsBusyBlock);
    if (!std::is_sorted(busy.begin(), busy.end(), ByAddressThenSize))
        std::sort(busy.begin(), busy.end(), ByAddressThenSize);
    return busy;
}

HeapChanges CompareHeap(Address base, const std::vector<HeapBlockCursor>& before,
                        const std::vector<HeapBlockCursor>& after) {
    const std::vector<HeapBlockCursor> was = BusyBlocksInOrder(before);
    const std::vector<HeapBlockCursor> is = BusyBlocksInOrder(after);
    HeapChanges changes;
    changes.base = base;
    // A merge of the two sorted lists: each pair found on both sides cancels
    // one of its kind, so repeated pairs are counted as often as they repeat.
    auto w = was.begin();
    auto i = is.begin();
    while (w != was.end() && i != is.end()) {
        if (SameBlockLess(*w, *i))
            changes.gone.push_back(*w++);
        else if (SameBlockLess(*i, *w))
            changes.added.push_back(*i++);
        else
            ++w, ++i;
    }
    changes.gone.insert(changes.gone.end(), w, was.end());
    changes.added.insert(changes.added.end(), i, is.end());

    std::sort(changes.added.begin(), changes.added.end(), LargestFirst);
    std::sort(changes.gone.begin(), changes.gone.end(), LargestFirst);
    for (const HeapBlockCursor& block : changes.added)
        changes.addedBytes = AddBytes(changes.addedBytes, block.size);
    for (const HeapBlockCursor& block : changes.gone)
        changes.goneBytes = AddBytes(changes.goneBytes, block.size);
    return changes;
}

struct HeapAt {
    Address base;
    std::size_t index;
    bool operator<(const HeapAt& other) const { return base != other.base ? base < other.base : index < other.index; }
};

std::vector<HeapAt> HeapsByBase(const HeapSnapshot& snapshot) {
    std::vector<HeapAt> heaps;
    heaps.reserve(snapshot.heaps.size());
    for (std::size_t i = 0; i < snapshot.heaps.size(); ++i)
        heaps.push_back({snapshot.heaps[i].record.base, i});
    std::sort(heaps.begin(), heaps.end());
    return heaps;
}

} // namespace

SnapshotDifference CompareSnapshots(const HeapSnapshot& baseline, const HeapSnapshot& current) {
    // Pair the heaps by base address: the n-th heap at a base in one snapshot
    // with the n-th heap at that base in the other.
    constexpr std::size_t none = std::numeric_limits<std::size_t>::max();
    std::vector<std::size_t> baselineOf(current.heaps.size(), none);
    std::vector<bool> baselineMatched(baseline.heaps.size(), false);
    {
        const std::vector<HeapAt> was = HeapsByBase(baseline);
        const std::vector<HeapAt> is = HeapsByBase(current);
        auto w = was.begin();
        auto i = is.begin();
        while (w != was.end() && i != is.end()) {
            if (w->base < i->base)
                ++w;
            else if (i->base < w->base)
                ++i;
            else {
                baselineOf[i->index] = w->index;
                baselineMatched[w->index] = true;
                ++w, ++i;
            }
        }
    }

    SnapshotDifference difference;
    const std::vector<HeapBlockCursor> noBlocks;
    const auto take = [&difference](HeapChanges&& changes) {
        if (!changes.heapIsNew && !changes.heapIsGone && changes.added.empty() && changes.gone.empty()) return;
        difference.addedCount += changes.added.size();
        difference.goneCount += changes.gone.size();
        difference.addedBytes = AddBytes(difference.addedBytes, changes.addedBytes);
        difference.goneBytes = AddBytes(difference.goneBytes, changes.goneBytes);
        difference.heaps.push_back(std::move(changes));
    };
    for (std::size_t i = 0; i < current.heaps.size(); ++i) {
        const SnapshotHeap& heap = current.heaps[i];
        const bool isNew = baselineOf[i] == none;
        HeapChanges changes =
            CompareHeap(heap.record.base, isNew ? noBlocks : baseline.heaps[baselineOf[i]].blocks, heap.blocks);
        changes.heapIsNew = isNew;
        take(std::move(changes));
    }
    for (std::size_t w = 0; w < baseline.heaps.size(); ++w) {
        if (baselineMatched[w]) continue;
        const SnapshotHeap& heap = baseline.heaps[w];
        HeapChanges changes = CompareHeap(heap.record.base, heap.blocks, noBlocks);
        changes.heapIsGone = true;
        take(std::move(changes));
    }
    return difference;
}

} // namespace corvane
