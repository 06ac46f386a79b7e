#pragma once

#include <cstddef>
#include <cstdint>

namespace corvane {

// An address in the address space a memory view reads from. Wide enough for
// any target; 32-bit programs only ever use the low half.
using Address = std::uint64_t;

// How wide the addresses and sizes of a process are: those of a 32-bit
// process fit in 32 bits, those of a 64-bit one need all 64.
enum class AddressWidth { Bits32, Bits64 };

// Read access to an address space that may contain holes. Records reached
// through pointers are only ever read through this interface, so a wild
// pointer becomes a failed read instead of a crash.
class MemoryView {
public:
    virtual ~MemoryView() = default;

    // True when every byte of [address, address + size) can be read.
    virtual bool IsReadable(Address address, std::size_t size) const = 0;

    // Copies size bytes at address into destination; false (and destination
    // unspecified) when any byte of the range cannot be read.
    virtual bool Read(Address address, void* destination, std::size_t size) const = 0;
};

} // namespace corvane
