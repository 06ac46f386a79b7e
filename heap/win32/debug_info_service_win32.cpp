#include "heap/win32/debug_info_service_win32.h"

#include "framework/handles_win32.h"
#include "heap/win32/memory_regions_win32.h"
#include "heap/win32/ntdll_exports_win32.h"

#include <cstring>

namespace corvane {

namespace {

void* ToPointer(Address address) { return reinterpret_cast<void*>(static_cast<std::uintptr_t>(address)); }

} // namespace

bool OwnMemoryView::IsReadable(Address address, std::size_t size) const {
    return IsRangeReadable(::GetCurrentProcess(), address, size);
}

bool OwnMemoryView::Read(Address address, void* destination, std::size_t size) const {
    if (!IsReadable(address, size)) return false;
    if (size != 0) std::memcpy(destination, ToPointer(address), size);
    return true;
}

bool BindDebugBufferFunctions(const char* moduleName, DebugBufferFunctions& functions, std::string& error) {
    functions = DebugBufferFunctions{};
    const HMODULE module = ::GetModuleHandleA(moduleName);
    if (module == nullptr) {
        error = "Failed to get the handle of NTDLL module";
        return false;
    }
    functions.create = ExportOf<DebugBufferFunctions::Create>(module, "RtlCreateQueryDebugBuffer");
    functions.destroy = ExportOf<DebugBufferFunctions::Destroy>(module, "RtlDestroyQueryDebugBuffer");
    functions.query = ExportOf<DebugBufferFunctions::Query>(module, "RtlQueryProcessDebugInformation");
    if (!functions.create || !functions.destroy || !functions.query) {
        error = "Failed to get exported heap functions of NTDLL";
        return false;
    }
    return true;
}

std::uint32_t WindowsBuildNumber() {
    // GetVersionEx reports what the program's manifest allows; the native
    // call reports the real system.
    using GetVersion = LONG(NTAPI*)(OSVERSIONINFOW*);
    const auto getVersion = NtdllExport<GetVersion>("RtlGetVersion");
    OSVERSIONINFOW info = {};
    info.dwOSVersionInfoSize = sizeof info;
    if (!getVersion || getVersion(&info) != 0) return 0;
    return info.dwBuildNumber;
}

HeapRecordLayout RunningHeapRecordLayout() {
#if defined(_WIN64)
    return HeapRecordLayout::Native64;
#else
    return HeapRecordLayoutForBuild(WindowsBuildNumber());
#endif
}

bool Win32DebugInfoService::Bind(std::string& error) {
    return BindDebugBufferFunctions("ntdll.dll", m_functions, error);
}

Address Win32DebugInfoService::CreateBuffer() {
    if (!m_functions.create) return 0;
    return reinterpret_cast<std::uintptr_t>(m_functions.create(0, FALSE));
}

std::uint32_t Win32DebugInfoService::Query(std::uint32_t processId, std::uint32_t flags, Address buffer) {
    if (!m_functions.query) return 0xC0000001; // STATUS_UNSUCCESSFUL
    return static_cast<std::uint32_t>(m_functions.query(processId, flags, ToPointer(buffer)));
}

void Win32DebugInfoService::DestroyBuffer(Address buffer) {
    if (m_functions.destroy && buffer != 0) m_functions.destroy(ToPointer(buffer));
}

bool Win32DebugInfoService::IsRunning(std::uint32_t processId) {
    const UniqueHandle process(::OpenProcess(SYNCHRONIZE, FALSE, processId));
    // No process has that id any more; one that will not be opened runs.
    if (!process) return ::GetLastError() != ERROR_INVALID_PARAMETER;
    // An ended process whose handles are still held somewhere is signalled.
    return ::WaitForSingleObject(process.get(), 0) == WAIT_TIMEOUT;
}

} // namespace corvane
