#pragma once

#include "heap/memory_view.h"

#include <windows.h>

#include <cstddef>

namespace corvane {

// True when pages of this protection may be read: some read right, and
// neither a guard page nor no access.
bool IsReadableProtection(DWORD protect);

// True when every byte of [address, address + size) in `process` lies in
// committed pages that may be read: neither inaccessible nor guard pages. The
// answer comes from the process's own map of its address space, so it also
// holds where a read of a free or reserved page would not fail but hand back
// zeros. `process` needs query rights; GetCurrentProcess() asks about this
// program itself.
bool IsRangeReadable(HANDLE process, Address address, std::size_t size);

// Another process's memory, read only where its map says it may be.
class ProcessMemoryView : public MemoryView {
public:
    // process: not owned; opened with query and read rights, it outlives the view.
    explicit ProcessMemoryView(HANDLE process) : m_process(process) {}
    bool IsReadable(Address address, std::size_t size) const override;
    // Copies the whole range or fails.
    bool Read(Address address, void* destination, std::size_t size) const override;
    // Copies the range and tells how many bytes were copied.
    bool Read(Address address, void* destination, std::size_t size, std::size_t& bytesRead) const;

private:
    HANDLE m_process;
};

} // namespace corvane
