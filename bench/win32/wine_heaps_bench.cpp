// Measures, under Wine, how fast a heap of 100,000 blocks in another process
// is read from outside, and how many reads of the process's memory it takes,
// beside the platform's own heap query of the same process in the same run.
// Where the heap has a low-fragmentation front end (Wine 10.0), most of its
// blocks lie in the front end's groups, which HeapWalk shows as one block
// each. Started with "--target", the program plays the process: it makes the
// heap, says how many busy entries HeapWalk shows of it, and waits until its
// standard input closes. The same process then serves for one sample of the
// watch, timed as the program takes it (see watch_sample_bench).

#include "bench/win32/clock.h"
#include "bench/win32/watch_sample_bench.h"
#include "framework/handles_win32.h"
#include "heap/win32/debug_info_service_win32.h"
#include "heap/win32/memory_regions_win32.h"
#include "heap/win32/process_enumerator_win32.h"
#include "heap/win32/wine_heaps_win32.h"
#include "tests/support/counting_memory.h"
#include "tests/support/piped_child_win32.h"

#include <windows.h>

#include <cstdio>
#include <cstring>

namespace corvane {
namespace {

constexpr unsigned kBlocks = 100000;

int RunTarget() {
    const HANDLE heap = ::HeapCreate(0, 0, 0);
    for (unsigned i = 0; i < kBlocks; ++i)
        ::HeapAlloc(heap, 0, 16 + i % 32);
    unsigned walked = 0;
    PROCESS_HEAP_ENTRY entry = {};
    while (::HeapWalk(heap, &entry))
        walked += (entry.wFlags & PROCESS_HEAP_ENTRY_BUSY) != 0;
    char line[32];
    const int length = std::snprintf(line, sizeof line, "ready %u\n", walked);
    testing::ReportAndWait(line, static_cast<std::size_t>(length));
    return 0;
}

int Run() {
    testing::PipedChild target(testing::TestExecutablePath(), "--target");
    unsigned walked = 0;
    if (!target.started() || std::sscanf(target.ReadLine().c_str(), "ready %u", &walked) != 1) {
        std::printf("the target did not start\n");
        return 1;
    }
    const UniqueHandle process(::OpenProcess(kInspectRights, FALSE, target.id()));
    Address peb = 0;
    unsigned pointerSize = 0;
    std::string unreadable;
    if (!process || !FindProcessEnvironment(process.get(), peb, pointerSize, unreadable)) {
        std::printf("the target cannot be read: %s\n", unreadable.c_str());
        return 1;
    }
    const ProcessMemoryView memory(process.get());

    constexpr int kRounds = 5;
    double best = 1e9, total = 0;
    std::size_t reads = 0, blocks = 0;
    WineHeapVersion version = WineHeapVersion::Unknown;
    for (int round = 0; round < kRounds; ++round) {
        const testing::CountingMemory counting(memory);
        const LARGE_INTEGER start = Now();
        const WineHeapSnapshot snapshot = ReadWineHeaps(counting, peb, pointerSize);
        const double ms = Milliseconds(start, Now());
        best = ms < best ? ms : best;
        total += ms;
        reads = static_cast<std::size_t>(counting.calls);
        version = snapshot.version;
        blocks = 0;
        for (const BrokenHeap& broken : snapshot.brokenHeaps)
            if (round == 0) std::printf("left out: %s\n", broken.text.c_str());
        for (const WineHeap& heap : snapshot.heaps)
            for (const HeapEntry& entry : heap.entries)
                blocks += (entry.flags & kEntrySegment) == 0;
    }

    Win32DebugInfoService platform;
    std::string error;
    double query = -1;
    if (platform.Bind(error)) {
        const Address buffer = platform.CreateBuffer();
        const LARGE_INTEGER start = Now();
        platform.Query(target.id(), kQueryHeapsWithEntries, buffer);
        query = Milliseconds(start, Now());
        platform.DestroyBuffer(buffer);
    }
    std::printf(
        "reading Wine's heaps: a heap of %u blocks under %s (HeapWalk shows %u busy entries of it; %zu blocks in all "
        "the process's heaps): best %.1f ms, mean %.1f ms of %d, %.1f M blocks/s, %zu reads of the process's "
        "memory; the platform's heap query of the same process: %.1f ms\n",
        kBlocks, WineHeapVersionName(version), walked, blocks, best, total / kRounds, kRounds,
        static_cast<double>(blocks) / best / 1000.0, reads, query);
    return MeasureWatchSample(target.id(), WineHeapVersionName(version));
}

} // namespace
} // namespace corvane

int main(int argc, char** argv) {
    if (argc > 1 && std::strcmp(argv[1], "--target") == 0) return corvane::RunTarget();
    return corvane::Run();
}
