#pragma once

#include "heap/services.h"

#include <windows.h>

#include <string>

namespace corvane {

// The program's own address space, read only where the pages are committed
// and readable.
class OwnMemoryView : public MemoryView {
public:
    bool IsReadable(Address address, std::size_t size) const override;
    bool Read(Address address, void* destination, std::size_t size) const override;
};

// The three exports of the native layer that heap snapshots need.
struct DebugBufferFunctions {
    using Create = void*(NTAPI*)(ULONG maximumCommit, BOOLEAN useEventPair);
    using Query = LONG(NTAPI*)(ULONG_PTR processId, ULONG flags, void* buffer);
    using Destroy = LONG(NTAPI*)(void* buffer);

    Create create = nullptr;
    Query query = nullptr;
    Destroy destroy = nullptr;
};

// Binds the exports from the already loaded module `moduleName` (it is not
// loaded here). On failure `error` holds the message for the user and the
// functions that could not be found are null.
bool BindDebugBufferFunctions(const char* moduleName, DebugBufferFunctions& functions, std::string& error);

// The Windows build number as the system reports it (not as the program's
// compatibility settings would have it).
std::uint32_t WindowsBuildNumber();

// The record layout this build of the program meets on the running system.
HeapRecordLayout RunningHeapRecordLayout();

// The process debug-information service of the native layer.
class Win32DebugInfoService : public DebugInfoService {
public:
    // Binds the three exports of "ntdll.dll". False, with the message for
    // the user in `error`, when the module or an export is missing.
    bool Bind(std::string& error);

    Address CreateBuffer() override;
    std::uint32_t Query(std::uint32_t processId, std::uint32_t flags, Address buffer) override;
    void DestroyBuffer(Address buffer) override;
    bool IsRunning(std::uint32_t processId) override;
    const MemoryView& Memory() const override { return m_memory; }
    HeapRecordLayout Layout() const override { return m_layout; }

private:
    DebugBufferFunctions m_functions;
    OwnMemoryView m_memory;
    HeapRecordLayout m_layout = RunningHeapRecordLayout();
};

} // namespace corvane
