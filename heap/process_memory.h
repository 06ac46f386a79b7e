#pragma once

// What a process's address space holds, as its memory map tells it: the
// committed regions with what they allow, the modules loaded and the stacks
// of its threads. The references between blocks read the process through it.

#include "heap/memory_view.h"

#include <cstdint>
#include <string>
#include <vector>

namespace corvane {

// What backs a region of memory.
enum class RegionUse { Private, Mapped, Image };

// A committed region: pages of one protection and one use.
struct MemoryRegion {
    Address base = 0;
    std::uint64_t size = 0;
    // Where the reservation the region belongs to starts: the regions of one
    // reservation share it.
    Address allocationBase = 0;
    bool readable = false; // no guard page, not no-access
    bool writable = false; // read-write or copy-on-write, with or without execute
    RegionUse use = RegionUse::Private;
};

// A module loaded in the process: its image from its base on.
struct ModuleRange {
    Address base = 0;
    std::uint64_t size = 0;
    std::string name; // the file's name, without its folder
};

// The stack of a thread: [low, high), high being where it starts.
struct ThreadStack {
    std::uint32_t threadId = 0;
    Address low = 0;
    Address high = 0;
};

struct ProcessMemoryMap {
    std::vector<MemoryRegion> regions; // committed ones only, in address order
    std::vector<ModuleRange> modules;  // in address order
    std::vector<ThreadStack> stacks;
};

// The platform's view of another process's memory map.
class MemoryMapSource {
public:
    virtual ~MemoryMapSource() = default;
    // The map of the process as it is now. False, with a one-line message
    // for the user in `error`, when the process cannot be opened or its map
    // cannot be read at all. Modules or stacks that cannot be named are left
    // out; the regions are still given.
    virtual bool Describe(std::uint32_t processId, ProcessMemoryMap& map, std::string& error) = 0;
};

} // namespace corvane
