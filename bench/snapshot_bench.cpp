// Leak hunting over big heaps: comparing two snapshots of 100,000 blocks and
// the size statistics of a 100,000-block heap, each beside a straightforward
// std::map version of the same computation measured in the same run. Before
// timing, each benchmark checks that both versions give the same result.

#include "heap/size_statistics.h"
#include "heap/snapshot_compare.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <map>
#include <utility>
#include <vector>

namespace corvane {
namespace {

constexpr std::uint32_t kBlocks = 100000;
constexpr std::uint32_t kHeaps = 4;
constexpr std::uint32_t kFreed = 2000;
constexpr std::uint32_t kMoved = 1000;
constexpr std::uint32_t kResized = 500;
constexpr std::uint32_t kAdded = 2000;

// A small fixed-seed generator, so every run measures the same heaps.
class Random {
public:
    std::uint64_t Next() {
        m_state += 0x9E3779B97F4A7C15ull;
        std::uint64_t z = m_state;
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    std::uint64_t Below(std::uint64_t n) { return Next() % n; }

private:
    std::uint64_t m_state = 15;
};

// Sizes as a program's heap holds them: mostly small objects of a few
// common sizes, some strings and arrays, a few big buffers.
std::uint64_t BlockSize(Random& random) {
    const std::uint64_t pick = random.Below(100);
    if (pick < 60) return 16 * (1 + random.Below(4) * random.Below(4)); // 16..160, the small sizes most often
    if (pick < 90) return 16 * (1 + random.Below(64));                  // up to 1 KiB
    if (pick < 99) return 16 * (64 + random.Below(448));                // up to 8 KiB
    return 4096 * (2 + random.Below(62));                               // up to 256 KiB
}

std::vector<HeapBlockCursor> MakeBlocks(Random& random, Address start, std::uint32_t count) {
    std::vector<HeapBlockCursor> blocks;
    blocks.reserve(count);
    Address address = start;
    for (std::uint32_t i = 0; i < count; ++i) {
        const std::uint64_t size = BlockSize(random);
        const BlockKind kind = random.Below(5) == 0 ? BlockKind::Free : BlockKind::Fixed;
        blocks.push_back({address, size, kind, false, i});
        address += size;
    }
    return blocks;
}

struct SnapshotPair {
    HeapSnapshot baseline;
    HeapSnapshot current;
};

// The baseline has four heaps of 25,000 blocks; the fresh snapshot has some
// of their busy blocks freed, some moved to each heap's end (freed where
// they were), some grown in place, and new ones at each heap's end.
const SnapshotPair& Snapshots() {
    static const SnapshotPair pair = [] {
        SnapshotPair snapshots;
        Random random;
        for (std::uint32_t h = 0; h < kHeaps; ++h) {
            SnapshotHeap heap;
            heap.record.base = 0x10000000ull * (h + 1);
            heap.blocks = MakeBlocks(random, heap.record.base + 0x1000, kBlocks / kHeaps);
            snapshots.baseline.heaps.push_back(std::move(heap));
        }
        snapshots.current = snapshots.baseline;
        std::vector<std::vector<bool>> touched(kHeaps, std::vector<bool>(kBlocks / kHeaps, false));
        const auto change = [&](std::uint32_t times, auto&& apply) {
            for (std::uint32_t done = 0; done < times;) {
                const std::uint32_t h = static_cast<std::uint32_t>(random.Below(kHeaps));
                const std::size_t i = random.Below(kBlocks / kHeaps);
                HeapBlockCursor& block = snapshots.current.heaps[h].blocks[i];
                if (touched[h][i] || !IsBusyBlock(block)) continue;
                touched[h][i] = true;
                apply(snapshots.current.heaps[h], block);
                ++done;
            }
        };
        const auto append = [](SnapshotHeap& heap, std::uint64_t size) {
            const HeapBlockCursor& last = heap.blocks.back();
            heap.blocks.push_back({last.address + last.size, size, BlockKind::Fixed, false,
                                   static_cast<std::uint32_t>(heap.blocks.size())});
        };
        change(kFreed, [](SnapshotHeap&, HeapBlockCursor& block) { block.kind = BlockKind::Free; });
        change(kResized, [](SnapshotHeap&, HeapBlockCursor& block) { block.size += 16; });
        change(kMoved, [&](SnapshotHeap& heap, HeapBlockCursor& block) {
            block.kind = BlockKind::Free;
            append(heap, block.size); // invalidates `block`
        });
        for (std::uint32_t i = 0; i < kAdded; ++i)
            append(snapshots.current.heaps[random.Below(kHeaps)], BlockSize(random));
        return snapshots;
    }();
    return pair;
}

const std::vector<HeapBlockCursor>& StatisticsHeap() {
    static const std::vector<HeapBlockCursor> blocks = [] {
        Random random;
        return MakeBlocks(random, 0x00150000, kBlocks);
    }();
    return blocks;
}

bool LargestFirst(const HeapBlockCursor& a, const HeapBlockCursor& b) {
    return a.size != b.size ? a.size > b.size : a.address < b.address;
}

// The same comparison written the obvious way: a map of the heaps by base,
// and per heap a map from (address, size) to the baseline's blocks there.
SnapshotDifference ReferenceCompare(const HeapSnapshot& baseline, const HeapSnapshot& current) {
    using Key = std::pair<Address, std::uint64_t>;
    std::map<Address, const SnapshotHeap*> baselineHeaps;
    for (const SnapshotHeap& heap : baseline.heaps)
        baselineHeaps.emplace(heap.record.base, &heap);
    SnapshotDifference difference;
    const auto finish = [&difference](HeapChanges& changes) {
        std::sort(changes.added.begin(), changes.added.end(), LargestFirst);
        std::sort(changes.gone.begin(), changes.gone.end(), LargestFirst);
        for (const HeapBlockCursor& block : changes.added)
            changes.addedBytes += block.size;
        for (const HeapBlockCursor& block : changes.gone)
            changes.goneBytes += block.size;
        if (!changes.heapIsNew && !changes.heapIsGone && changes.added.empty() && changes.gone.empty()) return;
        difference.addedCount += changes.added.size();
        difference.addedBytes += changes.addedBytes;
        difference.goneCount += changes.gone.size();
        difference.goneBytes += changes.goneBytes;
        difference.heaps.push_back(std::move(changes));
    };
    for (const SnapshotHeap& heap : current.heaps) {
        HeapChanges changes;
        changes.base = heap.record.base;
        std::map<Key, std::vector<HeapBlockCursor>> was;
        const auto before = baselineHeaps.find(heap.record.base);
        changes.heapIsNew = before == baselineHeaps.end();
        if (!changes.heapIsNew) {
            for (const HeapBlockCursor& block : before->second->blocks)
                if (IsBusyBlock(block)) was[{block.address, block.size}].push_back(block);
            baselineHeaps.erase(before);
        }
        for (const HeapBlockCursor& block : heap.blocks) {
            if (!IsBusyBlock(block)) continue;
            const auto same = was.find({block.address, block.size});
            if (same == was.end() || same->second.empty())
                changes.added.push_back(block);
            else
                same->second.pop_back();
        }
        for (const auto& [key, blocks] : was)
            changes.gone.insert(changes.gone.end(), blocks.begin(), blocks.end());
        finish(changes);
    }
    for (const SnapshotHeap& heap : baseline.heaps) {
        if (baselineHeaps.count(heap.record.base) == 0) continue;
        HeapChanges changes;
        changes.base = heap.record.base;
        changes.heapIsGone = true;
        for (const HeapBlockCursor& block : heap.blocks)
            if (IsBusyBlock(block)) changes.gone.push_back(block);
        finish(changes);
    }
    return difference;
}

// The same statistics written the obvious way: a map from size to count.
SizeStatistics ReferenceStatistics(const std::vector<HeapBlockCursor>& blocks) {
    SizeStatistics statistics;
    std::map<std::uint64_t, std::uint64_t> counts;
    for (const HeapBlockCursor& block : blocks) {
        if (IsBusyBlock(block)) {
            ++counts[block.size];
            ++statistics.busyCount;
            statistics.busyBytes += block.size;
        } else {
            ++statistics.freeCount;
            statistics.freeBytes += block.size;
        }
    }
    for (const auto& [size, count] : counts) {
        const std::uint64_t total = size * count;
        const double share = statistics.busyBytes ? static_cast<double>(total) / statistics.busyBytes : 0.0;
        statistics.rows.push_back({size, count, total, share});
    }
    std::sort(statistics.rows.begin(), statistics.rows.end(), [](const SizeRow& a, const SizeRow& b) {
        return a.totalBytes != b.totalBytes ? a.totalBytes > b.totalBytes : a.size < b.size;
    });
    return statistics;
}

bool SameBlocks(const std::vector<HeapBlockCursor>& a, const std::vector<HeapBlockCursor>& b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](const HeapBlockCursor& x, const HeapBlockCursor& y) {
        return x.address == y.address && x.size == y.size;
    });
}

bool SameDifference(const SnapshotDifference& a, const SnapshotDifference& b) {
    if (a.addedCount != b.addedCount || a.addedBytes != b.addedBytes || a.goneCount != b.goneCount ||
        a.goneBytes != b.goneBytes || a.heaps.size() != b.heaps.size())
        return false;
    for (std::size_t i = 0; i < a.heaps.size(); ++i) {
        const HeapChanges& x = a.heaps[i];
        const HeapChanges& y = b.heaps[i];
        if (x.base != y.base || x.heapIsNew != y.heapIsNew || x.heapIsGone != y.heapIsGone ||
            x.addedBytes != y.addedBytes || x.goneBytes != y.goneBytes || !SameBlocks(x.added, y.added) ||
            !SameBlocks(x.gone, y.gone))
            return false;
    }
    return true;
}

bool SameStatistics(const SizeStatistics& a, const SizeStatistics& b) {
    if (a.busyCount != b.busyCount || a.busyBytes != b.busyBytes || a.freeCount != b.freeCount ||
        a.freeBytes != b.freeBytes || a.rows.size() != b.rows.size())
        return false;
    for (std::size_t i = 0; i < a.rows.size(); ++i) {
        if (a.rows[i].size != b.rows[i].size || a.rows[i].count != b.rows[i].count ||
            a.rows[i].totalBytes != b.rows[i].totalBytes || a.rows[i].share != b.rows[i].share)
            return false;
    }
    return true;
}

// Both versions agree with each other and with the changes the snapshots
// were made with; otherwise the timing means nothing.
bool CompareResultsAgree() {
    const SnapshotDifference product = CompareSnapshots(Snapshots().baseline, Snapshots().current);
    return SameDifference(product, ReferenceCompare(Snapshots().baseline, Snapshots().current)) &&
           product.goneCount == kFreed + kMoved + kResized && product.addedCount == kMoved + kResized + kAdded &&
           product.heaps.size() == kHeaps;
}

bool StatisticsResultsAgree() {
    const SizeStatistics product = ComputeSizeStatistics(StatisticsHeap());
    return SameStatistics(product, ReferenceStatistics(StatisticsHeap())) &&
           product.busyCount + product.freeCount == kBlocks;
}

template <typename Compare> void RunCompare(benchmark::State& state, Compare compare) {
    const SnapshotPair& snapshots = Snapshots();
    if (!CompareResultsAgree()) {
        state.SkipWithError("the comparison and its reference disagree");
        return;
    }
    std::uint64_t blocks = 0;
    for (auto _ : state) {
        SnapshotDifference difference = compare(snapshots.baseline, snapshots.current);
        benchmark::DoNotOptimize(difference);
        blocks += 2 * kBlocks;
    }
    state.counters["blocks_per_second"] = benchmark::Counter(static_cast<double>(blocks), benchmark::Counter::kIsRate);
}

template <typename Compute> void RunStatistics(benchmark::State& state, Compute compute) {
    const std::vector<HeapBlockCursor>& heap = StatisticsHeap();
    if (!StatisticsResultsAgree()) {
        state.SkipWithError("the statistics and their reference disagree");
        return;
    }
    std::uint64_t blocks = 0;
    for (auto _ : state) {
        SizeStatistics statistics = compute(heap);
        benchmark::DoNotOptimize(statistics);
        blocks += kBlocks;
    }
    state.counters["blocks_per_second"] = benchmark::Counter(static_cast<double>(blocks), benchmark::Counter::kIsRate);
}

void BM_CompareSnapshots(benchmark::State& state) { RunCompare(state, CompareSnapshots); }
BENCHMARK(BM_CompareSnapshots)->Unit(benchmark::kMillisecond);

void BM_CompareSnapshots_Reference(benchmark::State& state) { RunCompare(state, ReferenceCompare); }
BENCHMARK(BM_CompareSnapshots_Reference)->Unit(benchmark::kMillisecond);

void BM_SizeStatistics(benchmark::State& state) { RunStatistics(state, ComputeSizeStatistics); }
BENCHMARK(BM_SizeStatistics)->Unit(benchmark::kMillisecond);

void BM_SizeStatistics_Reference(benchmark::State& state) { RunStatistics(state, ReferenceStatistics); }
BENCHMARK(BM_SizeStatistics_Reference)->Unit(benchmark::kMillisecond);

} // namespace
} // namespace corvane
