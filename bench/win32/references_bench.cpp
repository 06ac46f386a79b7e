// Measures, under Wine, Find leaks on the sample target's leak scene through
// the program's own services: the heap snapshot, the memory map and the leak
// search stepped to its end, the search repeated for its best and median.
// Beside it, in the same run, a plain reference of the same reachability:
// every root and every busy block read alone, each aligned value looked up
// in a std::map of the busy blocks. The scene says what kind each of its
// blocks must be found; a block found otherwise is printed and makes the
// program exit with 1, as does a reference that disagrees.

#include "bench/win32/clock.h"
#include "heap/heap_snapshot.h"
#include "heap/references.h"
#include "heap/win32/block_source_win32.h"
#include "heap/win32/debug_info_service_win32.h"
#include "heap/win32/memory_map_win32.h"
#include "heap/win32/wine_heaps_win32.h"
#include "heap/wine_heaps_service.h"
#include "tests/support/piped_child_win32.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace corvane {
namespace {

constexpr int kRounds = 5;
constexpr std::uint64_t kStepBudget = 64 << 20;
constexpr std::size_t kRootPiece = 64 << 10;

// A block of the scene, as the sample reports it.
struct SceneBlock {
    unsigned long long address = 0;
    std::string kind; // reached, unreferenced or unreachable
    std::string role;
};

const char* KindName(LeakKind kind) { return kind == LeakKind::Unreachable ? "unreachable" : "unreferenced"; }

struct ReferenceRun {
    double readMs = 0;   // reading the roots and the blocks
    double lookupMs = 0; // the lookups and the marking
    std::uint64_t rootBytes = 0;
    std::set<Address> leaks;
};

// Every value of `pointerBytes` bytes at its alignment in [address, address + size).
template <typename Visit>
void ForEachValue(const std::vector<std::uint8_t>& bytes, Address address, unsigned pointerBytes, Visit&& visit) {
    for (std::size_t at = static_cast<std::size_t>((pointerBytes - address % pointerBytes) % pointerBytes);
         at + pointerBytes <= bytes.size(); at += pointerBytes) {
        std::uint64_t value = 0;
        std::memcpy(&value, bytes.data() + at, pointerBytes);
        visit(value);
    }
}

// The reachability of the leak search, done plainly: the roots read in
// pieces of 64 KiB and each busy block in one read; then each value looked
// up in a std::map of the busy blocks, and the marking from the roots.
ReferenceRun ReferenceLeaks(TargetMemory& memory, const HeapSnapshot& snapshot, const ProcessMemoryMap& map) {
    ReferenceRun run;
    LARGE_INTEGER start = Now();
    const unsigned pointerBytes = PointerBytes(snapshot.width);
    std::vector<const HeapBlockCursor*> busy;
    for (const SnapshotHeap& heap : snapshot.heaps)
        for (const HeapBlockCursor& block : heap.blocks)
            if (IsBusyBlock(block) && block.size != 0) busy.push_back(&block);
    const BlockIndex index(snapshot, IndexUse::Addresses);
    const std::vector<HeapAllocation> heaps = HeapAllocations(snapshot, index, map);
    const auto readAll = [&](Address address, std::uint64_t size, std::vector<std::uint8_t>& bytes) {
        bytes.resize(static_cast<std::size_t>(size));
        std::size_t read = 0;
        if (!memory.Read(address, bytes.data(), bytes.size(), read) || read != bytes.size()) bytes.clear();
    };
    std::vector<std::pair<Address, std::vector<std::uint8_t>>> roots;
    for (const MemoryRegion& region : map.regions) {
        if (!region.readable || !region.writable) continue;
        if (std::any_of(heaps.begin(), heaps.end(),
                        [&](const HeapAllocation& h) { return region.base >= h.begin && region.base < h.end; }))
            continue;
        run.rootBytes += region.size;
        for (std::uint64_t offset = 0; offset < region.size; offset += kRootPiece) {
            roots.emplace_back(region.base + offset, std::vector<std::uint8_t>());
            readAll(region.base + offset, std::min<std::uint64_t>(kRootPiece, region.size - offset),
                    roots.back().second);
        }
    }
    std::vector<std::vector<std::uint8_t>> blocks(busy.size());
    for (std::size_t b = 0; b < busy.size(); ++b)
        readAll(busy[b]->address, busy[b]->size, blocks[b]);
    run.readMs = Milliseconds(start, Now());

    start = Now();
    std::map<Address, std::uint32_t> byAddress;
    for (std::uint32_t b = 0; b < busy.size(); ++b)
        byAddress[busy[b]->address] = b;
    const auto find = [&](std::uint64_t value) -> long long {
        auto after = byAddress.upper_bound(value);
        if (after == byAddress.begin()) return -1;
        --after;
        return value - after->first < busy[after->second]->size ? static_cast<long long>(after->second) : -1;
    };
    std::vector<bool> reached(busy.size());
    std::vector<std::uint32_t> pending;
    for (const auto& [address, bytes] : roots)
        ForEachValue(bytes, address, pointerBytes, [&](std::uint64_t value) {
            const long long target = find(value);
            if (target >= 0 && !reached[target]) {
                reached[target] = true;
                pending.push_back(static_cast<std::uint32_t>(target));
            }
        });
    std::vector<std::vector<std::uint32_t>> edges(busy.size());
    for (std::uint32_t b = 0; b < busy.size(); ++b)
        ForEachValue(blocks[b], busy[b]->address, pointerBytes, [&](std::uint64_t value) {
            const long long target = find(value);
            if (target >= 0 && target != b) edges[b].push_back(static_cast<std::uint32_t>(target));
        });
    while (!pending.empty()) {
        const std::uint32_t b = pending.back();
        pending.pop_back();
        for (const std::uint32_t target : edges[b])
            if (!reached[target]) {
                reached[target] = true;
                pending.push_back(target);
            }
    }
    for (std::uint32_t b = 0; b < busy.size(); ++b)
        if (!reached[b]) run.leaks.insert(busy[b]->address);
    run.lookupMs = Milliseconds(start, Now());
    return run;
}

std::vector<std::string> ReadUntilEnd(testing::PipedChild& child) {
    std::vector<std::string> lines;
    for (std::string line = child.ReadLine(); !line.empty() && line != "end"; line = child.ReadLine())
        lines.push_back(line);
    return lines;
}

int Run() {
    testing::PipedChild sample(testing::SamplePath(), "--report");
    if (!sample.started() || sample.ReadLine().rfind("corvane_sample: process ", 0) != 0) {
        std::printf("the sample did not start: %s\n", testing::SamplePath().c_str());
        return 1;
    }
    ReadUntilEnd(sample); // its heaps
    if (!sample.WriteLine("leaks")) {
        std::printf("the sample takes no commands\n");
        return 1;
    }
    std::vector<SceneBlock> scene;
    for (const std::string& line : ReadUntilEnd(sample)) {
        SceneBlock block;
        unsigned long long size = 0;
        char kind[16] = {}, role[16] = {};
        if (std::sscanf(line.c_str(), "leak %llx %llx %15s %15s", &block.address, &size, kind, role) != 4) continue;
        block.kind = kind;
        block.role = role;
        scene.push_back(block);
    }
    if (scene.empty()) {
        std::printf("the sample made no leak scene\n");
        return 1;
    }

    // The platform's services, as the program puts them together.
    Win32DebugInfoService debugInfo;
    Win32WineHeapReader wineHeapReader;
    WineHeapsService heapsService(debugInfo, wineHeapReader);
    Win32BlockSource blockSource;
    Win32MemoryMapSource memoryMap;
    std::string error;
    if (!debugInfo.Bind(error)) {
        std::printf("no debug-information service: %s\n", error.c_str());
        return 1;
    }

    HeapSnapshot snapshot;
    LARGE_INTEGER start = Now();
    const SnapshotResult taken = TakeHeapSnapshot(heapsService, sample.id(), snapshot, error);
    const double snapshotMs = Milliseconds(start, Now());
    if (taken != SnapshotResult::Taken) {
        std::printf("no heap snapshot of the sample: %s\n", error.c_str());
        return 1;
    }
    ProcessMemoryMap map;
    start = Now();
    const bool described = memoryMap.Describe(sample.id(), map, error);
    const double mapMs = Milliseconds(start, Now());
    if (!described) {
        std::printf("no memory map of the sample: %s\n", error.c_str());
        return 1;
    }
    const std::unique_ptr<TargetMemory> memory = blockSource.Open(sample.id());
    if (!memory) {
        std::printf("the sample's memory cannot be read\n");
        return 1;
    }

    std::vector<double> searchMs;
    std::vector<LeakRow> rows;
    std::uint64_t rootBytes = 0, scanned = 0, scanTotal = 0;
    std::uint32_t unreadableBlocks = 0;
    std::size_t ranges = 0;
    for (int round = 0; round < kRounds; ++round) {
        start = Now();
        LeakSearch search(*memory, snapshot, map);
        while (search.Step(kStepBudget)) {
        }
        rows = search.Rows();
        searchMs.push_back(Milliseconds(start, Now()));
        rootBytes = search.RootBytes();
        scanned = search.Scan().BytesRead();
        scanTotal = search.Scan().BytesTotal();
        unreadableBlocks = search.UnreadableBlocks();
        ranges = search.Scan().Ranges().size();
    }
    const double best = Best(searchMs), median = Median(searchMs);

    std::map<Address, LeakKind> found;
    for (const LeakRow& row : rows)
        found[row.address] = row.kind;
    int mismatches = 0;
    for (const SceneBlock& block : scene) {
        const auto row = found.find(block.address);
        const std::string kind = row == found.end() ? "reached" : KindName(row->second);
        if (kind == block.kind) continue;
        ++mismatches;
        std::printf("mismatch: %s at %llx is %s in the scene, %s in the search\n", block.role.c_str(), block.address,
                    block.kind.c_str(), kind.c_str());
    }

    const ReferenceRun reference = ReferenceLeaks(*memory, snapshot, map);
    int disagreements = 0;
    for (const auto& [address, kind] : found)
        disagreements += reference.leaks.count(address) == 0;
    for (const Address address : reference.leaks)
        disagreements += found.count(address) == 0;

    std::size_t blocks = 0, busy = 0;
    for (const SnapshotHeap& heap : snapshot.heaps) {
        blocks += heap.blocks.size();
        busy += static_cast<std::size_t>(CountBusyBlocks(heap.blocks).blocks);
    }
    const LeakTotals totals = TotalLeaks(rows);
    std::printf("Find leaks on the sample's leak scene under Wine: %zu heaps, %zu blocks (%zu busy), %zu memory "
                "regions, %llu root bytes (the search reports %llu), %llu bytes to read (%llu read, gaps "
                "included), %zu ranges, %u busy blocks unreadable\n",
                snapshot.heaps.size(), blocks, busy, map.regions.size(),
                static_cast<unsigned long long>(reference.rootBytes), static_cast<unsigned long long>(rootBytes),
                static_cast<unsigned long long>(scanTotal), static_cast<unsigned long long>(scanned), ranges,
                unreadableBlocks);
    std::printf("  snapshot %.1f ms, memory map %.1f ms, leak search best %.1f ms, median %.1f ms of %d (%.2f GB/s "
                "at the median); total %.1f ms\n",
                snapshotMs, mapMs, best, median, kRounds, static_cast<double>(scanTotal) / median / 1e6,
                snapshotMs + mapMs + median);
    const double referenceMs = reference.readMs + reference.lookupMs;
    std::printf("  leaks: %llu unreferenced, %llu unreachable; the reference (each root piece and each block read "
                "alone, each value looked up in a std::map of the busy blocks): %.1f ms (reading %.1f ms, lookups and "
                "marking %.1f ms), %zu leaks, %d disagreeing; the search's median is %.1fx faster\n",
                static_cast<unsigned long long>(totals.blocks[0]), static_cast<unsigned long long>(totals.blocks[1]),
                referenceMs, reference.readMs, reference.lookupMs, reference.leaks.size(), disagreements,
                referenceMs / median);
    std::printf("  the scene's %zu blocks: %d found otherwise than the scene says\n", scene.size(), mismatches);
    return mismatches == 0 && disagreements == 0 ? 0 : 1;
}

} // namespace
} // namespace corvane

int main() { return corvane::Run(); }
