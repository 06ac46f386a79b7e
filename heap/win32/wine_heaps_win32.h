#pragma once

#include "heap/wine_heaps.h"

#include <windows.h>

#include <string>

namespace corvane {

// Where a process's environment block lies and how wide its pointers are.
// False, with why in a line for the user, when this program cannot read the
// process's heaps: a process of the other width, or no environment found.
bool FindProcessEnvironment(HANDLE process, Address& peb, unsigned& pointerSize, std::string& unreadable);

// Reads the heaps of a process under Wine, whose own heap query reports
// none, from outside: through the process's environment block, with the
// rights the program opens every process with.
class Win32WineHeapReader : public WineHeapReader {
public:
    // Under Wine only: its ntdll exports wine_get_version.
    bool Applies() const override;
    WineHeapSnapshot Read(std::uint32_t processId) override;
};

} // namespace corvane
