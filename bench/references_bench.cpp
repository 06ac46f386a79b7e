// The references between blocks over a synthetic 64-bit process image of
// 100,000 busy blocks and 256 MiB of readable memory, read through the
// reader interface, each beside a straightforward reference measured in the
// same run: the leak search against a search that looks every aligned value
// up in a std::map of the blocks, who points here against a value-by-value
// comparison, and going to an address among 1,000,000 blocks against a walk
// over all of them. Times are this thread's processor time.

#include "heap/references.h"
#include "tests/support/process_image.h"

#include <benchmark/benchmark.h>

#include <cstring>
#include <map>
#include <random>
#include <time.h>
#include <vector>

namespace corvane {
namespace {

using testing::ProcessImage;

constexpr Address kHeapBase = 0x0000020000000000;
constexpr Address kRootBase = 0x00007FF000000000;
constexpr std::uint64_t kHeapBytes = std::uint64_t{192} << 20;
constexpr std::uint64_t kRootBytes = std::uint64_t{64} << 20;
constexpr int kBlocks = 100000;
constexpr std::uint64_t kStepBudget = 64 << 20;

double ThreadSeconds() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
}

// A heap of 192 MiB and 64 MiB of roots. Blocks of 16 bytes to 2.4 KiB, one
// in 2,000 of 1 MiB; one value in
// four of a block and one in sixty-four of the roots point into a block of
// the first 70,000, the others are small numbers or random bits. So about
// 30,000 blocks are leaks.
struct Image {
    ProcessImage image{AddressWidth::Bits64};
    std::uint64_t readable = 0;

    Image() {
        std::mt19937_64 random(3);
        const std::uint32_t heap = image.AddHeap(kHeapBase, kHeapBytes);
        image.AddRegion(kRootBase, kRootBytes, true);
        std::vector<Address> blocks;
        for (int i = 0; i < kBlocks; ++i) {
            const std::uint64_t size = i % 2000 == 0 ? 1 << 20 : 16 + random() % 2400;
            blocks.push_back(image.AddBlock(heap, size));
        }
        const auto fill = [&](Address at, std::uint64_t size, unsigned pointerOneIn) {
            std::uint8_t* bytes = image.BytesAt(at, static_cast<std::size_t>(size));
            for (std::uint64_t i = 0; i + 8 <= size; i += 8) {
                std::uint64_t value = random();
                if (value % pointerOneIn == 0)
                    value = blocks[random() % 70000] + random() % 16;
                else if (value % 3 != 0)
                    value %= 1000;
                std::memcpy(bytes + i, &value, 8);
            }
        };
        for (const HeapBlockCursor& block : image.snapshot.heaps[heap].blocks)
            fill(block.address, block.size, 4);
        fill(kRootBase, kRootBytes, 64);
        readable = kHeapBytes + kRootBytes;
    }
};

Image& TheImage() {
    static Image image;
    return image;
}

struct LeakRun {
    double scanSeconds = 0;
    double markSeconds = 0;
    std::size_t leaks = 0;
};

LeakRun RunLeakSearch() {
    Image& image = TheImage();
    LeakRun run;
    const double start = ThreadSeconds();
    LeakSearch search(image.image, image.image.snapshot, image.image.map);
    while (!search.Scan().Done())
        search.Step(kStepBudget);
    const double scanned = ThreadSeconds();
    search.Step(kStepBudget);
    run.markSeconds = ThreadSeconds() - scanned;
    run.scanSeconds = scanned - start;
    run.leaks = search.Rows().size();
    return run;
}

// Every aligned value looked up in a std::map of the busy blocks, read
// straight from the image; then the same marking.
std::size_t ReferenceLeaks() {
    Image& image = TheImage();
    const std::vector<HeapBlockCursor>& blocks = image.image.snapshot.heaps[0].blocks;
    std::map<Address, std::uint32_t> byAddress;
    for (std::uint32_t i = 0; i < blocks.size(); ++i)
        byAddress[blocks[i].address] = i;
    const auto find = [&](std::uint64_t value) -> std::int64_t {
        auto after = byAddress.upper_bound(value);
        if (after == byAddress.begin()) return -1;
        --after;
        return value - after->first < blocks[after->second].size ? static_cast<std::int64_t>(after->second) : -1;
    };
    std::vector<std::vector<std::uint32_t>> edges(blocks.size());
    std::vector<bool> reached(blocks.size());
    std::vector<std::uint32_t> pending;
    const std::uint8_t* roots = image.image.BytesAt(kRootBase, kRootBytes);
    for (std::uint64_t i = 0; i < kRootBytes; i += 8) {
        std::uint64_t value;
        std::memcpy(&value, roots + i, 8);
        const std::int64_t target = find(value);
        if (target >= 0 && !reached[target]) {
            reached[target] = true;
            pending.push_back(static_cast<std::uint32_t>(target));
        }
    }
    for (std::uint32_t b = 0; b < blocks.size(); ++b) {
        const std::uint8_t* bytes = image.image.BytesAt(blocks[b].address, blocks[b].size);
        for (std::uint64_t i = 0; i + 8 <= blocks[b].size; i += 8) {
            std::uint64_t value;
            std::memcpy(&value, bytes + i, 8);
            const std::int64_t target = find(value);
            if (target >= 0 && target != b) edges[b].push_back(static_cast<std::uint32_t>(target));
        }
    }
    while (!pending.empty()) {
        const std::uint32_t b = pending.back();
        pending.pop_back();
        for (const std::uint32_t target : edges[b])
            if (!reached[target]) {
                reached[target] = true;
                pending.push_back(target);
            }
    }
    return static_cast<std::size_t>(std::count(reached.begin(), reached.end(), false));
}

void BM_FindLeaks(benchmark::State& state) {
    TheImage();
    LeakRun total;
    for (auto _ : state) {
        const LeakRun run = RunLeakSearch();
        total.scanSeconds += run.scanSeconds;
        total.markSeconds += run.markSeconds;
        total.leaks = run.leaks;
    }
    const double start = ThreadSeconds();
    const std::size_t referenceLeaks = ReferenceLeaks();
    const double reference = ThreadSeconds() - start;
    if (referenceLeaks != total.leaks) state.SkipWithError("the leak search and the reference disagree");
    const auto iterations = static_cast<double>(state.iterations());
    const double seconds = (total.scanSeconds + total.markSeconds) / iterations;
    state.counters["leaks"] = static_cast<double>(total.leaks);
    state.counters["seconds_in_all"] = seconds;
    state.counters["scan_GBps"] = static_cast<double>(TheImage().readable) * iterations / total.scanSeconds / 1e9;
    state.counters["mark_blocks_per_s"] = kBlocks * iterations / total.markSeconds;
    state.counters["reference_seconds"] = reference;
    state.counters["x_vs_reference"] = reference / seconds;
}
BENCHMARK(BM_FindLeaks)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_WhoPointsHere(benchmark::State& state) {
    Image& image = TheImage();
    const HeapBlockCursor& target = image.image.snapshot.heaps[0].blocks[123];
    std::size_t found = 0;
    double seconds = 0;
    for (auto _ : state) {
        const double start = ThreadSeconds();
        ReferrerSearch search(image.image, image.image.map, target.address, target.size, AddressWidth::Bits64);
        std::vector<Referrer> referrers;
        while (search.Step(kStepBudget, referrers)) {
        }
        seconds += ThreadSeconds() - start;
        found = referrers.size();
    }
    // The reference: every region a page at a time through the reader, each
    // value compared with the block's bounds.
    const double start = ThreadSeconds();
    std::size_t referenceFound = 0;
    std::uint8_t page[4096];
    for (const MemoryRegion& region : image.image.map.regions)
        for (std::uint64_t at = 0; at < region.size; at += sizeof page) {
            std::size_t read = 0;
            if (!image.image.Read(region.base + at, page, sizeof page, read)) continue;
            for (std::size_t i = 0; i < sizeof page; i += 8) {
                std::uint64_t value;
                std::memcpy(&value, page + i, 8);
                referenceFound += value >= target.address && value < target.address + target.size;
            }
        }
    const double reference = ThreadSeconds() - start;
    if (found != referenceFound) state.SkipWithError("the search and the reference disagree");
    const auto iterations = static_cast<double>(state.iterations());
    state.counters["referrers"] = static_cast<double>(found);
    state.counters["seconds"] = seconds / iterations;
    state.counters["GBps"] = static_cast<double>(image.readable) * iterations / seconds / 1e9;
    state.counters["x_vs_reference"] = reference / (seconds / iterations);
}
BENCHMARK(BM_WhoPointsHere)->Unit(benchmark::kMillisecond)->Iterations(3);

// A million blocks in eight heaps, as the walks give them, and one address.
void BM_GoToAddress(benchmark::State& state) {
    HeapSnapshot snapshot;
    snapshot.width = AddressWidth::Bits64;
    snapshot.heaps.resize(8);
    std::mt19937_64 random(9);
    for (int h = 0; h < 8; ++h) {
        Address at = kHeapBase + (static_cast<Address>(h) << 32);
        for (int i = 0; i < 125000; ++i) {
            const std::uint64_t size = 16 + random() % 200;
            snapshot.heaps[h].blocks.push_back({at, size, random() % 5 ? BlockKind::Fixed : BlockKind::Free, false, 0});
            at += size + 16;
        }
    }
    const HeapBlockCursor& wanted = snapshot.heaps[5].blocks[77777];
    const Address address = wanted.address + 24 % wanted.size;
    double seconds = 0;
    for (auto _ : state) {
        const double start = ThreadSeconds();
        const BlockIndex index(snapshot, IndexUse::Addresses);
        const std::optional<IndexedBlock> found = index.Find(address);
        seconds += ThreadSeconds() - start;
        if (!found || found->address != wanted.address) state.SkipWithError("the wrong block");
    }
    const double start = ThreadSeconds();
    const HeapBlockCursor* plain = nullptr;
    for (const SnapshotHeap& heap : snapshot.heaps)
        for (const HeapBlockCursor& block : heap.blocks)
            if (address >= block.address && address - block.address < block.size) plain = &block;
    const double reference = ThreadSeconds() - start;
    benchmark::DoNotOptimize(plain);
    const auto iterations = static_cast<double>(state.iterations());
    state.counters["ms_with_index"] = seconds / iterations * 1e3;
    state.counters["reference_ms_one_walk"] = reference * 1e3;
    state.counters["x_lookup_vs_walk"] = reference / (seconds / iterations);
}
BENCHMARK(BM_GoToAddress)->Unit(benchmark::kMillisecond)->Iterations(5);

} // namespace
} // namespace corvane
