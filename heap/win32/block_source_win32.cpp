#include "heap/win32/block_source_win32.h"

#include "framework/handles.h"
#include "heap/win32/memory_regions_win32.h"
#include "heap/win32/process_enumerator_win32.h"

#include <windows.h>

#include <cstdint>
#include <utility>

namespace corvane {

namespace {

class Win32TargetMemory : public TargetMemory {
public:
    explicit Win32TargetMemory(UniqueHandle process) : m_process(std::move(process)) {}

    bool Read(Address address, void* destination, std::size_t size, std::size_t& bytesRead) override {
        bytesRead = 0;
        // Some systems let a read of free or reserved pages of another
        // process succeed with zeros: the bytes would be shown and saved as
        // the block's. The range is checked against the target's own map of
        // its memory first.
        if (!IsRangeReadable(m_process.get(), address, size)) return false;
        SIZE_T read = 0;
        const BOOL ok = ::ReadProcessMemory(
            m_process.get(), reinterpret_cast<LPCVOID>(static_cast<std::uintptr_t>(address)), destination, size, &read);
        bytesRead = read;
        return ok != FALSE;
    }

private:
    UniqueHandle m_process;
};

} // namespace

std::unique_ptr<TargetMemory> Win32BlockSource::Open(std::uint32_t processId) {
    UniqueHandle process(::OpenProcess(kInspectRights, FALSE, processId));
    if (!process) return nullptr;
    return std::make_unique<Win32TargetMemory>(std::move(process));
}

} // namespace corvane
