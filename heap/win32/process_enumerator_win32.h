#pragma once

#include "heap/services.h"

#include <windows.h>

namespace corvane {

// Rights with which a target process is opened: query information and read
// its memory.
constexpr DWORD kInspectRights = PROCESS_QUERY_INFORMATION | PROCESS_VM_READ;

// Lists the running processes through the process status services.
class Win32ProcessEnumerator : public ProcessEnumerator {
public:
    bool Enumerate(std::vector<ProcessInfo>& processes) override;
};

// The ids of all running processes. Asks with a growing array, starting at
// `firstCapacity` ids, until the answer fits, so that no process is left out
// on a busy machine.
bool RunningProcessIds(std::vector<DWORD>& ids, std::size_t firstCapacity = 500);

// The base name of the process's main module; empty when it cannot be read.
std::string MainModuleName(DWORD processId);

} // namespace corvane
