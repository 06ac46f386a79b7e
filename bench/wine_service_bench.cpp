// A snapshot of a process of 100,000 blocks taken the way the program takes
// one under Wine: Wine's heaps, as the reader gives them, laid out as the
// platform's debug-information buffer and read back into blocks. The reader
// is left out (it reads another process); this is what the program adds.

#include "heap/heap_snapshot.h"
#include "heap/wine_heaps_service.h"
#include "tests/support/synthetic_snapshot.h"

#include <benchmark/benchmark.h>

namespace corvane {
namespace {

constexpr Address kBuffer = 0x7f0000000000;

class ReadyWineHeaps : public WineHeapReader {
public:
    ReadyWineHeaps() {
        WineHeap heap;
        heap.record.base = 0x00150000;
        heap.record.entryOverhead = 16;
        heap.entries.push_back({0x1000, kEntrySegment, 0x00150000 + 0x580});
        for (std::uint32_t i = 0; i < 100000; ++i)
            heap.entries.push_back({16 + i % 32 * 8, static_cast<std::uint16_t>(i % 7 == 6 ? kEntryFree : 0x0001), 0});
        heap.record.entryCount = static_cast<std::uint32_t>(heap.entries.size());
        m_snapshot.heaps.push_back(std::move(heap));
    }
    bool Applies() const override { return true; }
    WineHeapSnapshot Read(std::uint32_t) override { return m_snapshot; }

private:
    WineHeapSnapshot m_snapshot;
};

void Snapshot_ThroughTheWineServiceOf100000Blocks(benchmark::State& state) {
    testing::SyntheticMemory memory;
    testing::LaySnapshot(memory, HeapRecordLayout::Native64, kBuffer, 0, {});
    testing::SyntheticDebugService platform(memory, HeapRecordLayout::Native64, kBuffer);
    ReadyWineHeaps wineHeaps;
    WineHeapsService service(platform, wineHeaps);
    std::string error;
    std::size_t blocks = 0;
    for (auto _ : state) {
        HeapSnapshot snapshot;
        if (TakeHeapSnapshot(service, 1, snapshot, error) != SnapshotResult::Taken) state.SkipWithError(error.c_str());
        blocks = snapshot.heaps.empty() ? 0 : snapshot.heaps[0].blocks.size();
        benchmark::DoNotOptimize(snapshot.heaps.data());
    }
    state.counters["blocks"] = static_cast<double>(blocks);
}
BENCHMARK(Snapshot_ThroughTheWineServiceOf100000Blocks)->Unit(benchmark::kMillisecond);

// What the stand-in reader itself costs of the above: a copy of its heaps.
void Snapshot_ReaderCopyOnlyOf100000Blocks(benchmark::State& state) {
    ReadyWineHeaps wineHeaps;
    for (auto _ : state) {
        WineHeapSnapshot snapshot = wineHeaps.Read(1);
        benchmark::DoNotOptimize(snapshot.heaps.data());
    }
}
BENCHMARK(Snapshot_ReaderCopyOnlyOf100000Blocks)->Unit(benchmark::kMillisecond);

} // namespace
} // namespace corvane
