#include "bench/win32/watch_sample_bench.h"

#include "app/platform_win32.h"
#include "bench/win32/clock.h"
#include "heap/heap_snapshot.h"
#include "heap/heap_watch.h"

#include <algorithm>
#include <cstdio>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace corvane {
namespace {

constexpr int kRounds = 9;

// The same reduction written the plain way: ordered maps per heap and per
// size, the growth found by looking each size up in the baseline's map.
struct ReferenceSample {
    std::map<Address, std::pair<std::uint64_t, std::uint64_t>> heaps; // busy blocks and bytes
    std::map<std::uint64_t, std::uint64_t> sizes;                     // busy blocks of each size
};

ReferenceSample ReduceByMaps(const HeapSnapshot& snapshot) {
    ReferenceSample sample;
    for (const SnapshotHeap& heap : snapshot.heaps) {
        auto& sums = sample.heaps[heap.record.base];
        for (const HeapBlockCursor& block : heap.blocks) {
            if (!IsBusyBlock(block)) continue;
            ++sums.first;
            sums.second = AddBytes(sums.second, block.size);
            ++sample.sizes[block.size];
        }
    }
    return sample;
}

std::vector<SizeGrowthRow> GrowthByMaps(const ReferenceSample& baseline, const ReferenceSample& now) {
    std::vector<SizeGrowthRow> rows;
    for (const auto& [size, count] : now.sizes) {
        const auto was = baseline.sizes.find(size);
        const std::uint64_t before = was == baseline.sizes.end() ? 0 : was->second;
        if (count > before) rows.push_back({size, count - before, (count - before) * size});
    }
    std::sort(rows.begin(), rows.end(), [](const SizeGrowthRow& a, const SizeGrowthRow& b) {
        return a.bytesChange != b.bytesChange ? a.bytesChange > b.bytesChange : a.size > b.size;
    });
    return rows;
}

bool SameGrowth(const std::vector<SizeGrowthRow>& a, const std::vector<SizeGrowthRow>& b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](const SizeGrowthRow& x, const SizeGrowthRow& y) {
        return x.size == y.size && x.countChange == y.countChange && x.bytesChange == y.bytesChange;
    });
}

bool SameHeaps(const std::vector<WatchHeapRow>& rows, const ReferenceSample& reference) {
    if (rows.size() != reference.heaps.size()) return false;
    for (const WatchHeapRow& row : rows) {
        const auto found = reference.heaps.find(row.base);
        if (found == reference.heaps.end() || found->second != std::make_pair(row.blocksNow, row.bytesNow))
            return false;
    }
    return true;
}

// A baseline that the process has since outgrown: every tenth block of each
// heap was not there yet, so the sizes that grew are many rather than none.
HeapSnapshot Thinned(const HeapSnapshot& snapshot) {
    HeapSnapshot earlier = snapshot;
    for (SnapshotHeap& heap : earlier.heaps) {
        std::vector<HeapBlockCursor> kept;
        for (std::size_t i = 0; i < heap.blocks.size(); ++i)
            if (i % 10 != 0) kept.push_back(heap.blocks[i]);
        heap.blocks = std::move(kept);
    }
    return earlier;
}

} // namespace

int MeasureWatchSample(std::uint32_t processId, const char* systemName) {
    // The service the program's platform hands its tools: the platform's
    // heap query, with Wine's heaps read from the process where it has none.
    Win32Platform platform;
    std::string error;
    if (!platform.BindDebugFunctions(error)) {
        std::printf("watch sample: the debug-information service cannot be bound: %s\n", error.c_str());
        return 1;
    }
    DebugInfoService& service = platform.DebugInfo();

    HeapSnapshot first;
    if (TakeHeapSnapshot(service, processId, first, error) != SnapshotResult::Taken) {
        std::printf("watch sample: no snapshot of the target: %s\n", error.c_str());
        return 1;
    }
    const HeapSnapshot baseline = Thinned(first);
    HeapWatch watch;
    watch.Add(0.0, baseline);
    const ReferenceSample referenceBaseline = ReduceByMaps(baseline);

    std::vector<double> whole, snapshots, reductions, references;
    std::size_t blocks = 0, grewRows = 0, broken = 0;
    bool agree = true;
    const LARGE_INTEGER began = Now();
    for (int round = 0; round < kRounds; ++round) {
        HeapSnapshot snapshot;
        const LARGE_INTEGER start = Now();
        if (TakeHeapSnapshot(service, processId, snapshot, error) != SnapshotResult::Taken) {
            std::printf("watch sample: round %d took no snapshot: %s\n", round + 1, error.c_str());
            return 1;
        }
        const LARGE_INTEGER taken = Now();
        // A heap left out as broken makes the sample a gap rather than a
        // heap that emptied.
        if (service.Notes().brokenHeaps.empty()) {
            watch.Add(Seconds(began, taken), snapshot);
        } else {
            watch.AddBroken(Seconds(began, taken));
            ++broken;
        }
        const std::vector<SizeGrowthRow> grew = watch.SizesThatGrew();
        const LARGE_INTEGER reduced = Now();

        const ReferenceSample reference = ReduceByMaps(snapshot);
        const std::vector<SizeGrowthRow> referenceGrew = GrowthByMaps(referenceBaseline, reference);
        const LARGE_INTEGER referenced = Now();

        whole.push_back(Milliseconds(start, reduced));
        snapshots.push_back(Milliseconds(start, taken));
        reductions.push_back(Milliseconds(taken, reduced));
        references.push_back(Milliseconds(reduced, referenced));
        if (broken == 0) agree = agree && SameGrowth(grew, referenceGrew) && SameHeaps(watch.HeapRows(), reference);
        grewRows = grew.size();
        blocks = 0;
        for (const SnapshotHeap& heap : snapshot.heaps)
            blocks += heap.blocks.size();
    }
    const double reduction = Median(reductions), reference = Median(references);
    std::printf("watch sample under %s: %zu blocks in %zu heaps, %zu sizes grew since the baseline, %zu samples "
                "broken\n"
                "  snapshot + HeapWatch::Add + sizes that grew: median %.1f ms, best %.1f ms of %d rounds "
                "(target: under 20 ms); the snapshot alone median %.1f ms\n"
                "  the reduction (Add and sizes that grew): median %.2f ms, best %.2f ms; the same reduced with "
                "std::map per size and per heap: median %.2f ms, best %.2f ms: %.1f times as long as the watch's\n"
                "  a whole sample with the std::map reduction: median %.1f ms, %.2f times the watch's\n",
                systemName, blocks, first.heaps.size(), grewRows, broken, Median(whole), Best(whole), kRounds,
                Median(snapshots), reduction, Best(reductions), reference, Best(references),
                reduction > 0 ? reference / reduction : 0.0, Median(snapshots) + reference,
                Median(whole) > 0 ? (Median(snapshots) + reference) / Median(whole) : 0.0);
    if (!agree) {
        std::printf("watch sample: the watch and the std::map reduction disagree\n");
        return 1;
    }
    return 0;
}

} // namespace corvane
