#pragma once

#include "heap/process_memory.h"

#include <windows.h>

#include <cstddef>
#include <functional>
#include <vector>

namespace corvane {

// Asks the map about the region that holds `address`; false where the map
// has no answer, as past the top of the user address space.
using RegionQuery = std::function<bool(Address address, MEMORY_BASIC_INFORMATION& region)>;

// A map that claims more regions than this is not believed further.
constexpr std::size_t kMaxMapRegions = 1000000;

// The committed regions of a map, walked from address 0 upwards until the
// map stops answering. The walk also ends where the map lies: an answer that
// does not reach past the address asked, an end this program cannot address,
// or more than kMaxMapRegions answers; what was walked until then is kept.
// `answered` tells whether the map answered at all.
std::vector<MemoryRegion> CommittedRegions(const RegionQuery& query, bool& answered);

// The memory map of a process of this edition's width, read from outside
// with the rights the program inspects every process with.
class Win32MemoryMapSource : public MemoryMapSource {
public:
    bool Describe(std::uint32_t processId, ProcessMemoryMap& map, std::string& error) override;
};

} // namespace corvane
