#include "heap/win32/process_enumerator_win32.h"

#include "framework/handles_win32.h"

#include <psapi.h>

namespace corvane {

bool RunningProcessIds(std::vector<DWORD>& ids, std::size_t firstCapacity) {
    // A full array may mean that more ids were left out: ask again with more room.
    std::size_t capacity = firstCapacity > 0 ? firstCapacity : 1;
    for (;;) {
        ids.assign(capacity, 0);
        DWORD bytes = 0;
        const auto size = static_cast<DWORD>(capacity * sizeof(DWORD));
        if (!::EnumProcesses(ids.data(), size, &bytes)) {
            ids.clear();
            return false;
        }
        if (bytes < size) {
            ids.resize(bytes / sizeof(DWORD));
            return true;
        }
        capacity *= 2;
    }
}

std::string MainModuleName(DWORD processId) {
    const UniqueHandle process(::OpenProcess(kInspectRights, FALSE, processId));
    if (!process) return {};
    HMODULE module = nullptr;
    DWORD needed = 0;
    char name[1024] = {};
    if (::EnumProcessModules(process.get(), &module, sizeof module, &needed))
        ::GetModuleBaseNameA(process.get(), module, name, sizeof name);
    return name;
}

bool Win32ProcessEnumerator::Enumerate(std::vector<ProcessInfo>& processes) {
    processes.clear();
    std::vector<DWORD> ids;
    if (!RunningProcessIds(ids)) return false;
    for (DWORD id : ids) {
        std::string name = MainModuleName(id);
        if (!name.empty()) processes.push_back({id, std::move(name)});
    }
    return true;
}

} // namespace corvane
