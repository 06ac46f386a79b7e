#pragma once

#include <windows.h>

#include <cstring>

namespace corvane {

// The function `name` that `module` exports, as a pointer of its own type;
// null when the module does not export it.
template <typename Function> Function ExportOf(HMODULE module, const char* name) {
    const FARPROC address = ::GetProcAddress(module, name);
    Function function = nullptr;
    static_assert(sizeof function == sizeof address, "function pointers differ in size");
    std::memcpy(&function, &address, sizeof function);
    return function;
}

// ... exported by the native layer's "ntdll.dll", which every process has
// loaded (it is not loaded here).
template <typename Function> Function NtdllExport(const char* name) {
    const HMODULE ntdll = ::GetModuleHandleA("ntdll.dll");
    return ntdll ? ExportOf<Function>(ntdll, name) : nullptr;
}

} // namespace corvane
