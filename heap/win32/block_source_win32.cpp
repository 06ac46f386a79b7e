#include "heap/win32/block_source_win32.h"

#include "framework/handles_win32.h"
#include "heap/win32/memory_regions_win32.h"
#include "heap/win32/process_enumerator_win32.h"

#include <windows.h>

#include <cstdint>
#include <utility>

namespace corvane {

namespace {

class Win32TargetMemory : public TargetMemory {
public:
    explicit Win32TargetMemory(UniqueHandle process) : m_process(std::move(process)), m_memory(m_process.get()) {}

    bool Read(Address address, void* destination, std::size_t size, std::size_t& bytesRead) override {
        return m_memory.Read(address, destination, size, bytesRead);
    }

private:
    UniqueHandle m_process;
    ProcessMemoryView m_memory; // reads through m_process
};

} // namespace

std::unique_ptr<TargetMemory> Win32BlockSource::Open(std::uint32_t processId) {
    UniqueHandle process(::OpenProcess(kInspectRights, FALSE, processId));
    if (!process) return nullptr;
    return std::make_unique<Win32TargetMemory>(std::move(process));
}

} // namespace corvane
