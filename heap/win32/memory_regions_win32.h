#pragma once

#include "heap/memory_view.h"

#include <windows.h>

#include <cstddef>

namespace corvane {

// True when every byte of [address, address + size) in `process` lies in
// committed pages that may be read: neither inaccessible nor guard pages. The
// answer comes from the process's own map of its address space, so it also
// holds where a read of a free or reserved page would not fail but hand back
// zeros. `process` needs query rights; GetCurrentProcess() asks about this
// program itself.
bool IsRangeReadable(HANDLE process, Address address, std::size_t size);

} // namespace corvane
