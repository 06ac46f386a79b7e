#include "heap/win32/debug_info_service_win32.h"

#include <cstring>

namespace corvane {

namespace {

bool IsReadableProtection(DWORD protect) {
    if (protect & (PAGE_GUARD | PAGE_NOACCESS)) return false;
    constexpr DWORD kReadable = PAGE_READONLY | PAGE_READWRITE | PAGE_WRITECOPY | PAGE_EXECUTE_READ |
                                PAGE_EXECUTE_READWRITE | PAGE_EXECUTE_WRITECOPY;
    return (protect & kReadable) != 0;
}

template <typename Function> Function ExportOf(HMODULE module, const char* name) {
    const FARPROC address = ::GetProcAddress(module, name);
    Function function = nullptr;
    static_assert(sizeof function == sizeof address, "function pointers differ in size");
    std::memcpy(&function, &address, sizeof function);
    return function;
}

void* ToPointer(Address address) { return reinterpret_cast<void*>(static_cast<std::uintptr_t>(address)); }

} // namespace

bool OwnMemoryView::IsReadable(Address address, std::size_t size) const {
    if (size == 0) return true;
    const std::uint64_t last = address + (size - 1);
    if (last < address || last > UINTPTR_MAX) return false;
    std::uint64_t next = address;
    while (next <= last) {
        MEMORY_BASIC_INFORMATION region = {};
        if (::VirtualQuery(ToPointer(next), &region, sizeof region) != sizeof region) return false;
        if (region.State != MEM_COMMIT || !IsReadableProtection(region.Protect)) return false;
        const std::uint64_t regionEnd =
            reinterpret_cast<std::uintptr_t>(region.BaseAddress) + static_cast<std::uint64_t>(region.RegionSize);
        if (regionEnd <= next) return false;
        if (regionEnd - 1 >= last) return true;
        next = regionEnd;
    }
    return true;
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
    const HMODULE ntdll = ::GetModuleHandleA("ntdll.dll");
    const auto getVersion = ntdll ? ExportOf<GetVersion>(ntdll, "RtlGetVersion") : nullptr;
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

std::uint32_t Win32DebugInfoService::LastError() const { return ::GetLastError(); }

} // namespace corvane
