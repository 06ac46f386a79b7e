// The watch: one sample of a 100,000-block snapshot in four heaps with its
// per-heap sums and size changes, beside a straightforward std::map version
// measured in the same run (both checked to agree before timing), and the
// chart geometry of a day of 1 s samples once thinned.

#include "heap/heap_watch.h"
#include "ui/watch_chart.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <map>
#include <vector>

namespace corvane {
namespace {

constexpr std::uint32_t kBlocks = 100000;
constexpr std::uint32_t kHeaps = 4;

HeapSnapshot MakeSnapshot(std::uint64_t seed) {
    HeapSnapshot snapshot;
    std::uint64_t state = seed;
    for (std::uint32_t h = 0; h < kHeaps; ++h) {
        SnapshotHeap heap;
        heap.record.base = 0x10000000ull * (h + 1);
        Address address = heap.record.base + 0x1000;
        for (std::uint32_t i = 0; i < kBlocks / kHeaps; ++i) {
            state = state * 6364136223846793005ull + 1442695040888963407ull;
            std::uint64_t size = 8 * (1 + (state >> 33) % 256);
            BlockKind kind = (state >> 20) % 10 == 0 ? BlockKind::Free : BlockKind::Fixed;
            heap.blocks.push_back({address, size, kind, false, i});
            address += size;
        }
        snapshot.heaps.push_back(std::move(heap));
    }
    return snapshot;
}

// The same answers with maps: sums per heap, counts per size, the grown sizes.
struct MapResult {
    std::map<Address, std::pair<std::uint64_t, std::uint64_t>> heaps;
    std::vector<std::pair<std::uint64_t, std::uint64_t>> grown; // size, bytes
};
MapResult MapVersion(const HeapSnapshot& before, const HeapSnapshot& now) {
    std::map<std::uint64_t, std::int64_t> counts;
    MapResult result;
    for (const SnapshotHeap& heap : before.heaps) {
        for (const HeapBlockCursor& block : heap.blocks) {
            if (IsBusyBlock(block)) --counts[block.size];
        }
    }
    for (const SnapshotHeap& heap : now.heaps) {
        for (const HeapBlockCursor& block : heap.blocks) {
            if (!IsBusyBlock(block)) continue;
            auto& sums = result.heaps[heap.record.base];
            ++sums.first;
            sums.second += block.size;
            ++counts[block.size];
        }
    }
    for (const auto& [size, change] : counts) {
        if (change > 0) result.grown.push_back({size, static_cast<std::uint64_t>(change) * size});
    }
    return result;
}

std::size_t WatchVersion(HeapWatch& watch, const HeapSnapshot& now) {
    watch.Add(1, now);
    return watch.HeapRows().size() + watch.SizesThatGrew().size();
}

void Watch_SampleOf100000Blocks(benchmark::State& state) {
    HeapSnapshot before = MakeSnapshot(1), now = MakeSnapshot(2);
    HeapWatch check;
    check.Add(0, before);
    check.Add(1, now);
    MapResult expected = MapVersion(before, now);
    if (check.SizesThatGrew().size() != expected.grown.size() || check.HeapRows().size() != expected.heaps.size()) {
        std::fprintf(stderr, "the watch and the map version disagree\n");
        std::abort();
    }
    for (const WatchHeapRow& row : check.HeapRows()) {
        if (expected.heaps[row.base].second != row.bytesNow) std::abort();
    }
    for (auto _ : state) {
        // Both samples are timed, as the map version reads both snapshots.
        HeapWatch watch;
        watch.Add(0, before);
        benchmark::DoNotOptimize(WatchVersion(watch, now));
    }
}
BENCHMARK(Watch_SampleOf100000Blocks)->Unit(benchmark::kMillisecond);

void Watch_SampleOf100000BlocksWithMaps(benchmark::State& state) {
    HeapSnapshot before = MakeSnapshot(1), now = MakeSnapshot(2);
    for (auto _ : state) {
        MapResult result = MapVersion(before, now);
        benchmark::DoNotOptimize(result.grown.data());
    }
}
BENCHMARK(Watch_SampleOf100000BlocksWithMaps)->Unit(benchmark::kMillisecond);

void Watch_ChartOfADayOfSamples(benchmark::State& state) {
    HeapWatch watch;
    for (int t = 0; t < 86400; ++t) {
        WatchSample sample;
        sample.t = t;
        for (Address h = 1; h <= 6; ++h)
            sample.heaps.push_back({h << 20, 100, h * 1000 + (t * h) % 4096});
        watch.Add(std::move(sample));
    }
    std::size_t points = 0;
    for (auto _ : state) {
        WatchChartGeometry chart = LayOutWatchChart(watch.Lines(), {40, 10, 840, 410}, AddressWidth::Bits64);
        points = 0;
        for (const ChartPolyline& line : chart.lines)
            points += line.points.size();
        benchmark::DoNotOptimize(points);
    }
    state.counters["points"] = static_cast<double>(points);
}
BENCHMARK(Watch_ChartOfADayOfSamples)->Unit(benchmark::kMillisecond);

} // namespace
} // namespace corvane
