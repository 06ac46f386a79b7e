#pragma once

#include "heap/memory_view.h"

#include <cstddef>
#include <cstdint>
#include <memory>

namespace corvane {

// A target process opened for reading its memory. Destroying it closes the
// process.
class TargetMemory {
public:
    virtual ~TargetMemory() = default;
    // Copies `size` bytes at `address` into `destination` and tells how many
    // were copied. False when any byte of the range cannot be read.
    virtual bool Read(Address address, void* destination, std::size_t size, std::size_t& bytesRead) = 0;
};

// Where the bytes of heap blocks come from.
class BlockSource {
public:
    virtual ~BlockSource() = default;
    // The process opened for reading, or null when the caller's rights do not
    // allow it (or there is no such process).
    virtual std::unique_ptr<TargetMemory> Open(std::uint32_t processId) = 0;
    // How wide the addresses of the processes it opens are.
    virtual AddressWidth Width() const = 0;
    // Room for a copy of `size` bytes, or null when memory is short.
    virtual std::unique_ptr<std::uint8_t[]> Allocate(std::uint32_t size);
};

} // namespace corvane
