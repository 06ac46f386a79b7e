#pragma once

// A memory view that counts what is asked of another: each call (under Wine
// each one a round trip to the system) and the bytes read.

#include "heap/memory_view.h"

#include <cstddef>
#include <cstdint>

namespace corvane::testing {

class CountingMemory : public MemoryView {
public:
    // inner: not owned; outlives this view.
    explicit CountingMemory(const MemoryView& inner) : m_inner(inner) {}
    bool IsReadable(Address address, std::size_t size) const override {
        ++calls;
        return m_inner.IsReadable(address, size);
    }
    bool Read(Address address, void* destination, std::size_t size) const override {
        ++calls;
        bytes += size;
        return m_inner.Read(address, destination, size);
    }
    mutable std::uint64_t calls = 0;
    mutable std::uint64_t bytes = 0;

private:
    const MemoryView& m_inner;
};

} // namespace corvane::testing
