// The heap map over one big heap: layout and drawing into a dialog-sized
// buffer, beside a plain per-pixel lookup, and one hover lookup.

#include "ui/heap_map.h"

#include <benchmark/benchmark.h>

#include <map>

namespace corvane {
namespace {

constexpr std::size_t kBlocks = 1000000;
constexpr int kWidth = 1000, kHeight = 600;

struct BigHeap {
    std::vector<MapBlock> blocks;
    std::vector<MapRegion> regions;
    BigHeap() {
        blocks.reserve(kBlocks);
        Address at = 0x7FF600000000;
        for (std::size_t i = 0; i < kBlocks; ++i) {
            if (i % 65536 == 0) at += 0x100000; // a new region
            const std::uint64_t size = 0x18 + (i % 7) * 8;
            blocks.push_back({at, size, i % 5 == 0 ? MapKind::Free : MapKind::Busy});
            at += size;
        }
        regions = MapRegions(blocks);
    }
};

const BigHeap& Heap() {
    static const BigHeap heap;
    return heap;
}

void BM_MapLayoutAndDraw(benchmark::State& state) {
    const BigHeap& heap = Heap();
    std::vector<std::uint32_t> pixels(static_cast<std::size_t>(kWidth) * kHeight);
    for (auto _ : state) {
        const HeapMapLayout layout(heap.blocks, heap.regions, kWidth, kHeight, WholeHeapRange(heap.regions));
        layout.Draw(pixels.data(), pixels.size());
        benchmark::DoNotOptimize(pixels.data());
    }
    state.counters["pixels_per_second"] =
        benchmark::Counter(static_cast<double>(state.iterations()) * kWidth * kHeight, benchmark::Counter::kIsRate);
}
BENCHMARK(BM_MapLayoutAndDraw)->Unit(benchmark::kMillisecond);

// Reference in the same run: the same layout, then every pixel coloured by
// looking its address up in a std::map of the blocks, as a plain
// implementation would.
void BM_MapLayoutAndDraw_Reference(benchmark::State& state) {
    const BigHeap& heap = Heap();
    std::map<Address, std::size_t> byAddress;
    for (std::size_t i = 0; i < heap.blocks.size(); ++i)
        byAddress.emplace(heap.blocks[i].address, i);
    std::vector<std::uint32_t> pixels(static_cast<std::size_t>(kWidth) * kHeight);
    for (auto _ : state) {
        const HeapMapLayout layout(heap.blocks, heap.regions, kWidth, kHeight, WholeHeapRange(heap.regions));
        for (int y = 0; y < kHeight; ++y) {
            for (int x = 0; x < kWidth; ++x) {
                std::uint32_t colour = kMapBackground;
                Address address = 0;
                if (layout.AddressAt(x, y, address)) {
                    const auto found = byAddress.upper_bound(address);
                    if (found != byAddress.begin()) colour = MapKindColour(heap.blocks[std::prev(found)->second].kind);
                }
                pixels[static_cast<std::size_t>(y) * kWidth + static_cast<std::size_t>(x)] = colour;
            }
        }
        benchmark::DoNotOptimize(pixels.data());
    }
    state.counters["pixels_per_second"] =
        benchmark::Counter(static_cast<double>(state.iterations()) * kWidth * kHeight, benchmark::Counter::kIsRate);
}
BENCHMARK(BM_MapLayoutAndDraw_Reference)->Unit(benchmark::kMillisecond);

void BM_MapHover(benchmark::State& state) {
    const BigHeap& heap = Heap();
    const HeapMapLayout layout(heap.blocks, heap.regions, kWidth, kHeight, WholeHeapRange(heap.regions));
    std::uint32_t seed = 12345;
    for (auto _ : state) {
        seed = seed * 1664525u + 1013904223u;
        const int x = static_cast<int>(seed % kWidth), y = static_cast<int>((seed >> 12) % kHeight);
        benchmark::DoNotOptimize(layout.BlockAt(x, y));
    }
}
BENCHMARK(BM_MapHover)->Unit(benchmark::kMicrosecond);

} // namespace
} // namespace corvane
