#include "heap/win32/wine_heaps_win32.h"

#include "framework/handles_win32.h"
#include "heap/win32/memory_regions_win32.h"
#include "heap/win32/ntdll_exports_win32.h"
#include "heap/win32/process_enumerator_win32.h"

#include <windows.h>

namespace corvane {

namespace {

// The part of the native layer's PROCESS_BASIC_INFORMATION that is read.
struct BasicInformation {
    LONG exitStatus;
    void* pebBaseAddress;
    ULONG_PTR affinityMask;
    LONG basePriority;
    ULONG_PTR processId;
    ULONG_PTR parentProcessId;
};
using QueryInformation = LONG(NTAPI*)(HANDLE, ULONG, void*, ULONG, ULONG*);
constexpr ULONG kProcessBasicInformation = 0;

// Whether the process runs as a 32-bit program on a 64-bit system.
bool IsWow64(HANDLE process) {
    BOOL wow64 = FALSE;
    return ::IsWow64Process(process, &wow64) && wow64;
}

// The pointer size of a process: a 64-bit system runs 32-bit programs under
// WOW64, and a program of this edition's size never does.
unsigned PointerSizeOf(HANDLE process) {
    const bool systemIs64 = sizeof(void*) == 8 || IsWow64(::GetCurrentProcess());
    return systemIs64 && !IsWow64(process) ? 8 : 4;
}

} // namespace

bool Win32WineHeapReader::Applies() const { return NtdllExport<FARPROC>("wine_get_version") != nullptr; }

bool FindProcessEnvironment(HANDLE process, Address& peb, unsigned& pointerSize, std::string& unreadable) {
    pointerSize = PointerSizeOf(process);
    if (pointerSize != sizeof(void*)) {
        unreadable = pointerSize == 4 ? "This 64-bit edition cannot read the heaps of a 32-bit process."
                                      : "This 32-bit edition cannot read the heaps of a 64-bit process.";
        return false;
    }
    const auto query = NtdllExport<QueryInformation>("NtQueryInformationProcess");
    BasicInformation basic = {};
    if (!query || query(process, kProcessBasicInformation, &basic, sizeof basic, nullptr) != 0) {
        unreadable = "The heaps of this process cannot be read: its environment cannot be found.";
        return false;
    }
    peb = reinterpret_cast<std::uintptr_t>(basic.pebBaseAddress);
    return true;
}

WineHeapSnapshot Win32WineHeapReader::Read(std::uint32_t processId) {
    WineHeapSnapshot snapshot;
    const UniqueHandle process(::OpenProcess(kInspectRights, FALSE, processId));
    if (!process) {
        snapshot.unreadable = "The heaps of this process cannot be read: it cannot be opened.";
        return snapshot;
    }
    Address peb = 0;
    unsigned pointerSize = 0;
    if (!FindProcessEnvironment(process.get(), peb, pointerSize, snapshot.unreadable)) return snapshot;
    const ProcessMemoryView memory(process.get());
    return ReadWineHeaps(memory, peb, pointerSize);
}

} // namespace corvane
