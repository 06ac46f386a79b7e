#include "heap/win32/memory_regions_win32.h"

#include <cstdint>

namespace corvane {

bool IsReadableProtection(DWORD protect) {
    if (protect & (PAGE_GUARD | PAGE_NOACCESS)) return false;
    constexpr DWORD kReadable = PAGE_READONLY | PAGE_READWRITE | PAGE_WRITECOPY | PAGE_EXECUTE_READ |
                                PAGE_EXECUTE_READWRITE | PAGE_EXECUTE_WRITECOPY;
    return (protect & kReadable) != 0;
}

bool IsRangeReadable(HANDLE process, Address address, std::size_t size) {
    if (size == 0) return true;
    const std::uint64_t last = address + (size - 1);
    // A range this program cannot even name is not readable.
    if (last < address || last > UINTPTR_MAX) return false;
    std::uint64_t next = address;
    for (;;) {
        MEMORY_BASIC_INFORMATION region = {};
        if (::VirtualQueryEx(process, reinterpret_cast<LPCVOID>(static_cast<std::uintptr_t>(next)), &region,
                             sizeof region) != sizeof region)
            return false;
        if (region.State != MEM_COMMIT || !IsReadableProtection(region.Protect)) return false;
        const std::uint64_t regionEnd =
            reinterpret_cast<std::uintptr_t>(region.BaseAddress) + static_cast<std::uint64_t>(region.RegionSize);
        if (regionEnd <= next) return false; // no progress: an answer that cannot be trusted
        if (regionEnd - 1 >= last) return true;
        next = regionEnd;
    }
}

bool ProcessMemoryView::IsReadable(Address address, std::size_t size) const {
    return IsRangeReadable(m_process, address, size);
}

bool ProcessMemoryView::Read(Address address, void* destination, std::size_t size) const {
    std::size_t read = 0;
    return Read(address, destination, size, read) && read == size;
}

bool ProcessMemoryView::Read(Address address, void* destination, std::size_t size, std::size_t& bytesRead) const {
    bytesRead = 0;
    // Some systems let a read of free or reserved pages of another process
    // succeed with zeros: the range is checked against the process's own map
    // of its memory first.
    if (!IsRangeReadable(m_process, address, size)) return false;
    SIZE_T read = 0;
    const BOOL ok = ::ReadProcessMemory(m_process, reinterpret_cast<LPCVOID>(static_cast<std::uintptr_t>(address)),
                                        destination, size, &read);
    bytesRead = read;
    return ok != FALSE;
}

} // namespace corvane
