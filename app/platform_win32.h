#pragma once

// The real platform services of the program.

#include "heap/win32/block_source_win32.h"
#include "heap/win32/debug_info_service_win32.h"
#include "heap/win32/memory_map_win32.h"
#include "heap/win32/process_enumerator_win32.h"
#include "heap/win32/save_files_win32.h"
#include "heap/win32/wine_heaps_win32.h"
#include "heap/wine_heaps_service.h"
#include "ui/platform.h"

namespace corvane {

class Win32Platform : public CorvanePlatform {
public:
    bool EnableDebugPrivilege() override;
    ProcessEnumerator& Processes() override { return m_processes; }
    bool BindDebugFunctions(std::string& error) override { return m_debugInfo.Bind(error); }
    // The platform's heap query, or where it reports no heaps under Wine,
    // Wine's heaps read from the process's memory.
    DebugInfoService& DebugInfo() override { return m_wineHeapsService; }
    BlockSource& Blocks() override { return m_blocks; }
    SaveFiles& Files() override { return m_files; }
    MemoryMapSource& MemoryMap() override { return m_memoryMap; }
    void ExitProcess(int exitCode) override { ::ExitProcess(static_cast<UINT>(exitCode)); }

private:
    Win32ProcessEnumerator m_processes;
    Win32DebugInfoService m_debugInfo;
    Win32WineHeapReader m_wineHeapReader;
    WineHeapsService m_wineHeapsService{m_debugInfo, m_wineHeapReader};
    Win32BlockSource m_blocks;
    Win32SaveFiles m_files;
    Win32MemoryMapSource m_memoryMap;
};

} // namespace corvane
