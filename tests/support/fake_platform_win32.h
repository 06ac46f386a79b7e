#pragma once

// A platform for running the main dialog in tests: a chosen process list,
// chosen answers of the binding and the privilege, the real block reader,
// files and memory map (the heaps lie in real helper processes), and exits
// recorded instead of made.

#include "heap/win32/block_source_win32.h"
#include "heap/win32/memory_map_win32.h"
#include "heap/win32/save_files_win32.h"
#include "tests/support/synthetic_snapshot.h"
#include "ui/platform.h"

#include <vector>

namespace corvane::testing {

class ListedProcesses : public ProcessEnumerator {
public:
    bool fails = false;
    std::vector<ProcessInfo> processes;
    int calls = 0;
    bool Enumerate(std::vector<ProcessInfo>& out) override {
        ++calls;
        if (fails) return false;
        out = processes;
        return true;
    }
};

class FakePlatform : public CorvanePlatform {
public:
    static constexpr Address kBuffer = 0x00200000;
    static constexpr Address kHeapList = 0x00300000;

    // Snapshots laid out as the program's own debug-information service
    // hands them over: with 32-bit or with 64-bit records.
    static constexpr HeapRecordLayout kLayout =
        sizeof(void*) == 8 ? HeapRecordLayout::Native64 : HeapRecordLayout::Classic32;

    FakePlatform() : debugInfo(memory, kLayout, kBuffer) { LayHeaps({}); }

    // What the next snapshots report: these heaps, or no heaps at all.
    void LayHeaps(const std::vector<SyntheticHeap>& heaps) {
        memory = SyntheticMemory();
        LaySnapshot(memory, kLayout, kBuffer, heaps.empty() ? 0 : kHeapList, heaps);
    }

    bool privilegeEnabled = true;
    int privilegeCalls = 0;
    bool bindFails = false;
    std::string bindError = "Failed to get exported heap functions of NTDLL";
    std::vector<int> exits;
    ListedProcesses processes;
    SyntheticMemory memory;
    SyntheticDebugService debugInfo;
    Win32BlockSource blocks;
    Win32SaveFiles files;
    Win32MemoryMapSource memoryMap;

    bool EnableDebugPrivilege() override {
        ++privilegeCalls;
        return privilegeEnabled;
    }
    ProcessEnumerator& Processes() override { return processes; }
    bool BindDebugFunctions(std::string& error) override {
        if (!bindFails) return true;
        error = bindError;
        return false;
    }
    DebugInfoService& DebugInfo() override { return debugInfo; }
    BlockSource& Blocks() override { return blocks; }
    SaveFiles& Files() override { return files; }
    MemoryMapSource& MemoryMap() override { return memoryMap; }
    void ExitProcess(int exitCode) override { exits.push_back(exitCode); }
    // A clock that moves on `step` milliseconds each time it is read: a
    // walk then looks as long as the test wants it to.
    static inline std::uint64_t now = 0;
    static inline std::uint64_t step = 0;
    static std::uint64_t SteppingClock() { return now += step; }
    MillisecondClock Clock() override { return step ? &SteppingClock : &SteadyMilliseconds; }
};

} // namespace corvane::testing
