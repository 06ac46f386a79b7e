#include "heap/win32/memory_map_win32.h"

#include "framework/handles_win32.h"
#include "heap/win32/memory_regions_win32.h"
#include "heap/win32/ntdll_exports_win32.h"
#include "heap/win32/process_enumerator_win32.h"

#include <psapi.h>
#include <tlhelp32.h>

#include <algorithm>
#include <cstdint>

namespace corvane {

namespace {

bool IsWritableProtection(DWORD protect) {
    constexpr DWORD kWritable = PAGE_READWRITE | PAGE_WRITECOPY | PAGE_EXECUTE_READWRITE | PAGE_EXECUTE_WRITECOPY;
    return (protect & kWritable) != 0 && IsReadableProtection(protect);
}

RegionUse UseOf(DWORD type) {
    if (type == MEM_IMAGE) return RegionUse::Image;
    if (type == MEM_MAPPED) return RegionUse::Mapped;
    return RegionUse::Private;
}

// More modules than this are not asked for: the list comes from the
// process's own loader records.
constexpr std::size_t kMaxModules = 65536;

std::vector<ModuleRange> ModulesOf(HANDLE process) {
    std::vector<ModuleRange> modules;
    std::vector<HMODULE> handles(256);
    // A list that grew between two questions is asked for again with more
    // room, a few times; then the modules that fitted are named.
    for (int attempt = 0;; ++attempt) {
        const auto given = static_cast<DWORD>(handles.size() * sizeof(HMODULE));
        DWORD needed = 0;
        if (!::EnumProcessModulesEx(process, handles.data(), given, &needed, LIST_MODULES_ALL)) return modules;
        const std::size_t count = std::min<std::size_t>(needed / sizeof(HMODULE), kMaxModules);
        if (count <= handles.size() || attempt == 4) {
            handles.resize(std::min(count, handles.size()));
            break;
        }
        handles.resize(count + 64);
    }
    for (HMODULE handle : handles) {
        MODULEINFO info = {};
        char name[MAX_PATH] = {};
        if (!::GetModuleInformation(process, handle, &info, sizeof info)) continue;
        const DWORD length = ::GetModuleBaseNameA(process, handle, name, MAX_PATH);
        if (length == 0 || length >= MAX_PATH) continue;
        modules.push_back(
            {reinterpret_cast<std::uintptr_t>(info.lpBaseOfDll), info.SizeOfImage, std::string(name, length)});
    }
    std::sort(modules.begin(), modules.end(),
              [](const ModuleRange& a, const ModuleRange& b) { return a.base < b.base; });
    return modules;
}

// The native layer's THREAD_BASIC_INFORMATION.
struct ThreadBasicInformation {
    LONG exitStatus;
    void* tebBaseAddress;
    void* clientProcess; // CLIENT_ID: two handle-sized ids
    void* clientThread;
    ULONG_PTR affinityMask;
    LONG priority;
    LONG basePriority;
};
using QueryThreadInformation = LONG(NTAPI*)(HANDLE, ULONG, void*, ULONG, ULONG*);
constexpr ULONG kThreadBasicInformation = 0;

// The stack a thread's environment block names: its NT_TIB begins with the
// exception list, then the stack's base (its high end) and its limit.
bool StackOf(DWORD threadId, QueryThreadInformation query, const ProcessMemoryView& memory, ThreadStack& stack) {
    const UniqueHandle thread(::OpenThread(THREAD_QUERY_INFORMATION, FALSE, threadId));
    if (!thread) return false;
    ThreadBasicInformation basic = {};
    if (query(thread.get(), kThreadBasicInformation, &basic, sizeof basic, nullptr) != 0) return false;
    std::uintptr_t tib[3] = {};
    if (!memory.Read(reinterpret_cast<std::uintptr_t>(basic.tebBaseAddress), tib, sizeof tib)) return false;
    stack = {threadId, tib[2], tib[1]};
    return stack.low < stack.high;
}

std::vector<ThreadStack> StacksOf(std::uint32_t processId, HANDLE process) {
    std::vector<ThreadStack> stacks;
    const auto query = NtdllExport<QueryThreadInformation>("NtQueryInformationThread");
    if (!query) return stacks;
    const UniqueHandle snapshot(::CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0));
    if (!snapshot) return stacks;
    const ProcessMemoryView memory(process);
    THREADENTRY32 entry = {};
    entry.dwSize = sizeof entry;
    for (BOOL more = ::Thread32First(snapshot.get(), &entry); more; more = ::Thread32Next(snapshot.get(), &entry)) {
        ThreadStack stack;
        if (entry.th32OwnerProcessID == processId && StackOf(entry.th32ThreadID, query, memory, stack))
            stacks.push_back(stack);
        entry.dwSize = sizeof entry;
    }
    return stacks;
}

} // namespace

std::vector<MemoryRegion> CommittedRegions(const RegionQuery& query, bool& answered) {
    std::vector<MemoryRegion> regions;
    answered = false;
    Address next = 0;
    for (std::size_t count = 0; count < kMaxMapRegions; ++count) {
        MEMORY_BASIC_INFORMATION region = {};
        if (!query(next, region)) break;
        answered = true;
        const Address base = reinterpret_cast<std::uintptr_t>(region.BaseAddress);
        const Address end = base + static_cast<std::uint64_t>(region.RegionSize);
        // An end that does not move on, wraps or lies past what this program
        // can address would walk the map forever or out of it.
        if (end <= next || end < base || end - 1 > UINTPTR_MAX) break;
        if (region.State == MEM_COMMIT) {
            MemoryRegion committed;
            // Kept from where the last one ended, so the list stays in order
            // even where an answer starts before the address asked.
            committed.base = std::max(base, next);
            committed.size = end - committed.base;
            committed.allocationBase = reinterpret_cast<std::uintptr_t>(region.AllocationBase);
            committed.readable = IsReadableProtection(region.Protect);
            committed.writable = IsWritableProtection(region.Protect);
            committed.use = UseOf(region.Type);
            regions.push_back(committed);
        }
        if (end - 1 == UINTPTR_MAX) break; // the last address this program can ask about
        next = end;
    }
    return regions;
}

bool Win32MemoryMapSource::Describe(std::uint32_t processId, ProcessMemoryMap& map, std::string& error) {
    map = {};
    const UniqueHandle process(::OpenProcess(kInspectRights, FALSE, processId));
    bool answered = false;
    if (process) {
        map.regions = CommittedRegions(
            [&process](Address address, MEMORY_BASIC_INFORMATION& region) {
                return ::VirtualQueryEx(process.get(), reinterpret_cast<LPCVOID>(static_cast<std::uintptr_t>(address)),
                                        &region, sizeof region) == sizeof region;
            },
            answered);
    }
    if (!answered) {
        error = "The memory of process " + std::to_string(processId) +
                " cannot be read: it has ended, or this user may not open it.";
        return false;
    }
    map.modules = ModulesOf(process.get());
    map.stacks = StacksOf(processId, process.get());
    return true;
}

} // namespace corvane
