#pragma once

#include "heap/wine_heaps.h"

namespace corvane {

// Reads the heaps of a process under Wine, whose own heap query reports
// none, from outside: through the process's environment block, with the
// rights the program opens every process with.
class Win32WineHeapReader : public OutsideHeapReader {
public:
    // Under Wine only: its ntdll exports wine_get_version.
    bool Applies() const override;
    OutsideSnapshot Read(std::uint32_t processId) override;
};

} // namespace corvane
