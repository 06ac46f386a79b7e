// Walk plus row texts over one big heap: the work of filling the block list,
// without the list itself.

#include "heap/block_walk.h"
#include "heap/debug_buffer.h"
#include "tests/support/synthetic_snapshot.h"
#include "ui/heap_rows.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>

namespace corvane {
namespace {

constexpr std::uint32_t kEntries = 1000000;

struct BigHeap {
    HeapRecord record;
    std::vector<HeapEntry> entries;
    BigHeap() {
        record.base = 0x00150000;
        record.entryOverhead = 8;
        record.entryCount = kEntries;
        entries.reserve(kEntries);
        for (std::uint32_t i = 0; i < kEntries; ++i) {
            if (i % 4096 == 0)
                entries.push_back({0x1000, kEntrySegment, 0x00150000 + i * 0x20});
            else
                entries.push_back({0x18 + (i % 7) * 8, static_cast<std::uint16_t>(i % 5 == 0 ? 0x0100 : 0x0001), 0});
        }
    }
};

const BigHeap& Heap() {
    static const BigHeap heap;
    return heap;
}

// The product's walk and row formatting.
void BM_BlockRows(benchmark::State& state) {
    const BigHeap& heap = Heap();
    std::uint64_t rows = 0;
    for (auto _ : state) {
        HeapBlockCursor cursor;
        HeapBlockRow row;
        std::uint32_t n = 0;
        for (bool more = HeapBlockFirst(heap.record, heap.entries, cursor); more;
             more = HeapBlockNext(heap.record, heap.entries, cursor)) {
            FormatHeapBlockRow(n++, cursor, AddressWidth::Bits32, row);
            benchmark::DoNotOptimize(row);
        }
        rows += n;
    }
    state.counters["rows_per_second"] = benchmark::Counter(static_cast<double>(rows), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_BlockRows)->Unit(benchmark::kMillisecond);

// Reference in the same run: the same walk with the texts made by snprintf,
// as a straightforward implementation would.
void BM_BlockRows_Reference(benchmark::State& state) {
    const BigHeap& heap = Heap();
    std::uint64_t rows = 0;
    for (auto _ : state) {
        HeapBlockCursor cursor;
        char index[16], address[16], size[16];
        std::uint32_t n = 0;
        for (bool more = HeapBlockFirst(heap.record, heap.entries, cursor); more;
             more = HeapBlockNext(heap.record, heap.entries, cursor)) {
            std::snprintf(index, sizeof index, "%d", static_cast<int>(++n));
            std::snprintf(address, sizeof address, "0x%.8x", static_cast<unsigned>(cursor.address));
            std::snprintf(size, sizeof size, "0x%.8x", static_cast<unsigned>(cursor.size));
            const char* type = AllocationTypeText(cursor.kind);
            const char* status = StatusText(cursor.kind);
            benchmark::DoNotOptimize(index);
            benchmark::DoNotOptimize(address);
            benchmark::DoNotOptimize(size);
            benchmark::DoNotOptimize(type);
            benchmark::DoNotOptimize(status);
        }
        rows += n;
    }
    state.counters["rows_per_second"] = benchmark::Counter(static_cast<double>(rows), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_BlockRows_Reference)->Unit(benchmark::kMillisecond);

// Reading the entry records of the big heap out of a debug buffer.
void BM_ReadEntries(benchmark::State& state) {
    testing::SyntheticMemory memory;
    testing::SyntheticHeap heap{Heap().record, Heap().entries};
    testing::LaySnapshot(memory, HeapRecordLayout::Classic32, 0x00200000, 0x00300000, {heap});
    const DebugBufferReader reader(memory, HeapRecordLayout::Classic32);
    std::vector<HeapRecord> heaps;
    std::string error;
    reader.ReadHeaps(0x00200000, true, heaps, error);
    std::vector<HeapEntry> entries;
    std::uint64_t read = 0;
    for (auto _ : state) {
        reader.ReadEntries(heaps.at(0), entries, error);
        read += entries.size();
    }
    state.counters["entries_per_second"] = benchmark::Counter(static_cast<double>(read), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_ReadEntries)->Unit(benchmark::kMillisecond);

} // namespace
} // namespace corvane
