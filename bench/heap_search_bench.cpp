// The whole-heap search over a synthetic heap of 256 MiB in this process's
// memory, read through a target that copies, with the time of the reads and
// of the search apart, beside a straightforward reference measured in the
// same run: std::search with a case-folding comparison over each block.
// Times are this thread's processor time, so that other work on the machine
// does not count.

#include "heap/heap_search.h"
#include "heap/heap_snapshot.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstring>
#include <random>
#include <string>
#include <time.h>
#include <vector>

namespace corvane {
namespace {

constexpr std::size_t kHeapBytes = std::size_t{256} << 20;
constexpr Address kHeapBase = 0x20000000;
constexpr const char* kText = "Corvane";
constexpr std::size_t kPlanted = 7;
constexpr std::uint64_t kStepBudget = 64 << 20;

// Blocks of sizes from 16 bytes to 256 KiB and a few of several MiB, each
// after an 8-byte header, one in five free. A third hold text, a third
// structures of small numbers and pointers, a third random bytes; the text
// is planted in a few busy blocks in varied letter case.
struct SyntheticHeap {
    std::vector<std::uint8_t> bytes;
    std::vector<HeapBlockCursor> blocks;
    std::uint64_t busyBytes = 0;

    SyntheticHeap() : bytes(kHeapBytes) {
        std::mt19937_64 random(11);
        const std::string words[] = {"the ",   "Heap ",    "block ", "of ",      "Process ", "memory ", "window ",
                                     "list ",  "Corvan ",  "vane ",  "search ",  "TEXT ",    "value ",  "name ",
                                     "file\n", "address ", "size ",  "viewer, ", "and ",     "data "};
        std::size_t at = 0;
        int count = 0;
        while (at + 8 < kHeapBytes) {
            at += 8;
            std::size_t size = std::size_t{16} << (random() % 15);
            size += random() % size;
            if (++count % 500 == 0) size = std::size_t{1} << (21 + random() % 3);
            size = std::min(size, kHeapBytes - at);
            HeapBlockCursor block;
            block.address = kHeapBase + at;
            block.size = size;
            block.kind = random() % 5 == 0 ? BlockKind::Free : BlockKind::Fixed;
            std::uint8_t* data = bytes.data() + at;
            switch (random() % 3) {
            case 0:
                for (std::size_t i = 0; i < size;) {
                    const std::string& word = words[random() % std::size(words)];
                    const std::size_t n = std::min(word.size(), size - i);
                    std::memcpy(data + i, word.data(), n);
                    i += n;
                }
                break;
            case 1:
                for (std::size_t i = 0; i + 8 <= size; i += 8) {
                    const std::uint64_t value = random() % 4 == 0 ? kHeapBase + random() % kHeapBytes : random() % 300;
                    std::memcpy(data + i, &value, 8);
                }
                break;
            default:
                for (std::size_t i = 0; i + 8 <= size; i += 8) {
                    const std::uint64_t value = random();
                    std::memcpy(data + i, &value, 8);
                }
            }
            blocks.push_back(block);
            if (IsBusyBlock(block)) busyBytes += size;
            at += size;
        }
        const char* cases[] = {"Corvane", "CORVANE", "corvane"};
        for (std::size_t planted = 0; planted < kPlanted;) {
            const HeapBlockCursor& block = blocks[random() % blocks.size()];
            if (!IsBusyBlock(block) || block.size < 64) continue;
            const std::size_t offset = random() % (block.size - 7);
            std::memcpy(bytes.data() + (block.address - kHeapBase) + offset, cases[planted % 3], 7);
            ++planted;
        }
    }
};

const SyntheticHeap& Heap() {
    static const SyntheticHeap heap;
    return heap;
}

double ThreadSeconds() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
}

// Copies from the synthetic heap, and keeps the time spent in its reads.
class CopyingMemory : public TargetMemory {
public:
    double readSeconds = 0;
    std::uint64_t reads = 0;

    bool Read(Address address, void* destination, std::size_t size, std::size_t& bytesRead) override {
        const double start = ThreadSeconds();
        const std::vector<std::uint8_t>& bytes = Heap().bytes;
        bytesRead = 0;
        if (address < kHeapBase || address - kHeapBase > bytes.size() || size > bytes.size() - (address - kHeapBase))
            return false;
        std::memcpy(destination, bytes.data() + (address - kHeapBase), size);
        bytesRead = size;
        readSeconds += ThreadSeconds() - start;
        ++reads;
        return true;
    }
};

SearchPattern TextPattern() {
    SearchPattern pattern;
    std::string error;
    ParseSearchPattern(kText, PatternKind::Text, pattern, error);
    return pattern;
}

struct SearchRun {
    double seconds = 0;
    double readSeconds = 0;
    std::uint64_t reads = 0;
    std::size_t hits = 0;
};

SearchRun RunHeapSearch(std::size_t pieceSize) {
    CopyingMemory memory;
    std::vector<SearchHit> hits;
    const double start = ThreadSeconds();
    HeapSearch search(memory, Heap().blocks, TextPattern(), pieceSize);
    while (search.Step(kStepBudget, hits)) {
    }
    SearchRun run;
    run.seconds = ThreadSeconds() - start;
    run.readSeconds = memory.readSeconds;
    run.reads = memory.reads;
    run.hits = hits.size();
    return run;
}

bool FoldedEqual(std::uint8_t a, std::uint8_t b) {
    const auto fold = [](std::uint8_t c) { return c >= 'A' && c <= 'Z' ? static_cast<std::uint8_t>(c + 32) : c; };
    return fold(a) == fold(b);
}

// Every match in every busy block, straight from memory (no reads at all).
std::size_t ReferenceSearch() {
    const SyntheticHeap& heap = Heap();
    const std::string text = kText;
    std::size_t hits = 0;
    for (const HeapBlockCursor& block : heap.blocks) {
        if (!IsBusyBlock(block)) continue;
        const std::uint8_t* first = heap.bytes.data() + (block.address - kHeapBase);
        const std::uint8_t* last = first + block.size;
        for (const std::uint8_t* at = first;; ++at) {
            at = std::search(at, last, text.begin(), text.end(),
                             [](std::uint8_t a, char b) { return FoldedEqual(a, static_cast<std::uint8_t>(b)); });
            if (at == last) break;
            ++hits;
        }
    }
    return hits;
}

void ReportHeapSearch(benchmark::State& state, const SearchRun& total, std::size_t iterations) {
    const double bytes = static_cast<double>(Heap().busyBytes) * static_cast<double>(iterations);
    state.counters["searched_bytes_per_second"] = bytes / total.seconds;
    state.counters["read_GBps"] = bytes / total.readSeconds / 1e9;
    state.counters["search_GBps"] = bytes / (total.seconds - total.readSeconds) / 1e9;
    state.counters["both_GBps"] = bytes / total.seconds / 1e9;
    state.counters["reads"] = static_cast<double>(total.reads) / static_cast<double>(iterations);
}

void MeasureHeapSearch(benchmark::State& state, std::size_t pieceSize) {
    Heap();
    SearchRun total;
    std::size_t iterations = 0;
    for (auto _ : state) {
        const SearchRun run = RunHeapSearch(pieceSize);
        total.seconds += run.seconds;
        total.readSeconds += run.readSeconds;
        total.reads += run.reads;
        total.hits = run.hits;
        ++iterations;
    }
    if (total.hits < kPlanted) state.SkipWithError("the planted texts were not all found");
    ReportHeapSearch(state, total, iterations);
}

// The product with its default pieces; the search alone is also set against
// the reference, timed here once more.
void BM_HeapSearch(benchmark::State& state) {
    MeasureHeapSearch(state, kSearchPieceSize);
    const double start = ThreadSeconds();
    const std::size_t referenceHits = ReferenceSearch();
    const double reference = ThreadSeconds() - start;
    const SearchRun run = RunHeapSearch(kSearchPieceSize);
    if (referenceHits != run.hits) state.SkipWithError("the search and the reference disagree");
    state.counters["hits"] = static_cast<double>(run.hits);
    state.counters["reference_GBps"] = static_cast<double>(Heap().busyBytes) / reference / 1e9;
    state.counters["x_search_vs_reference"] = reference / (run.seconds - run.readSeconds);
}
BENCHMARK(BM_HeapSearch)->Unit(benchmark::kMillisecond);

void BM_HeapSearch_Reference(benchmark::State& state) {
    Heap();
    std::size_t hits = 0;
    for (auto _ : state)
        hits = ReferenceSearch();
    state.counters["hits"] = static_cast<double>(hits);
    state.counters["searched_bytes_per_second"] = benchmark::Counter(
        static_cast<double>(Heap().busyBytes) * static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_HeapSearch_Reference)->Unit(benchmark::kMillisecond);

// The same search with other piece sizes, to choose the default.
void BM_HeapSearchPieces(benchmark::State& state) {
    MeasureHeapSearch(state, static_cast<std::size_t>(state.range(0)));
}
BENCHMARK(BM_HeapSearchPieces)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(5)
    ->Arg(64 << 10)
    ->Arg(256 << 10)
    ->Arg(1 << 20)
    ->Arg(4 << 20)
    ->Arg(16 << 20);

} // namespace
} // namespace corvane
