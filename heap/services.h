#pragma once

#include "base/unique_resource.h"
#include "heap/debug_buffer.h"
#include "heap/memory_view.h"
#include "heap/process_list.h"

#include <cstdint>
#include <string>
#include <vector>

namespace corvane {

// The platform's list of running processes.
class ProcessEnumerator {
public:
    virtual ~ProcessEnumerator() = default;
    // Every running process that can be opened for querying and reading and
    // whose main module has a name. False when the running processes cannot
    // be listed at all.
    virtual bool Enumerate(std::vector<ProcessInfo>& processes) = 0;
};

// A heap that a snapshot had to leave out, and why, in a line for the user.
struct BrokenHeap {
    Address base = 0; // 0 when the heap could not even be found
    std::string text;
};

// What the source of the last snapshot could not read, for the user.
struct SnapshotNotes {
    std::vector<BrokenHeap> brokenHeaps;
    // When no heap of the process could be read at all: why, in one line.
    std::string unreadable;
};

// The platform's process debug-information service.
class DebugInfoService {
public:
    virtual ~DebugInfoService() = default;
    // A new buffer, or 0 when none could be made.
    virtual Address CreateBuffer() = 0;
    // Fills the buffer with what `flags` asks for; 0 on success.
    virtual std::uint32_t Query(std::uint32_t processId, std::uint32_t flags, Address buffer) = 0;
    virtual void DestroyBuffer(Address buffer) = 0;
    // False only when the process is known to have ended (or never was);
    // a process that cannot be asked counts as running.
    virtual bool IsRunning(std::uint32_t processId) = 0;
    // About the snapshot the last successful query put in a buffer.
    virtual SnapshotNotes Notes() const { return {}; }
    // Where the buffers live, and how their heap records are laid out.
    virtual const MemoryView& Memory() const = 0;
    virtual HeapRecordLayout Layout() const = 0;
};

// Destroys a debug-information buffer on every way out.
struct DebugBufferTraits {
    using Handle = Address;
    static Address None() { return 0; }
    static bool IsValid(Address buffer) { return buffer != 0; }
    void Release(Address buffer) const { service->DestroyBuffer(buffer); }
    DebugInfoService* service = nullptr; // not owned; outlives the buffer
};
using DebugBuffer = UniqueResource<DebugBufferTraits>;

inline DebugBuffer CreateDebugBuffer(DebugInfoService& service) {
    return DebugBuffer(service.CreateBuffer(), DebugBufferTraits{&service});
}

} // namespace corvane
