#pragma once

// The platform services the main dialog works through. The program gives it
// the real ones; tests give their own, so that the dialog can run with
// synthetic processes and heaps and without leaving the process.

#include "heap/block_copy.h"
#include "heap/block_source.h"
#include "heap/process_memory.h"
#include "heap/services.h"
#include "ui/heap_listing.h"

#include <string>

namespace corvane {

class CorvanePlatform {
public:
    virtual ~CorvanePlatform() = default;

    virtual bool EnableDebugPrivilege() = 0;
    virtual ProcessEnumerator& Processes() = 0;
    // Binds the debug-information functions; false with the message for the
    // user in `error`.
    virtual bool BindDebugFunctions(std::string& error) = 0;
    virtual DebugInfoService& DebugInfo() = 0;
    virtual BlockSource& Blocks() = 0;
    virtual SaveFiles& Files() = 0;
    // The regions, modules and thread stacks of a process, for the references between its blocks.
    virtual MemoryMapSource& MemoryMap() = 0;
    // Ends the program at once with the exit code.
    virtual void ExitProcess(int exitCode) = 0;
    // The clock that paces the progress of long walks.
    virtual MillisecondClock Clock() { return &SteadyMilliseconds; }
};

} // namespace corvane
