#pragma once

#include "heap/memory_view.h"
#include "heap/wine_heaps.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace corvane {

// A process's memory, read within what one snapshot may spend: so many reads
// (each a round trip to the system), so many bytes copied and so many entry
// records made. Once one runs out, nothing more is read, and spent() says
// which.
class BudgetedMemory {
public:
    // memory: not owned; it outlives this view.
    BudgetedMemory(const MemoryView& memory, const WineHeapLimits& limits);

    bool IsReadable(Address address, std::size_t size) { return Spend(0) && m_memory.IsReadable(address, size); }
    bool Read(Address address, void* destination, std::size_t size) {
        return Spend(size) && m_memory.Read(address, destination, size);
    }
    // Whether a copy of `size` bytes still fits, before room is made for it.
    bool Affords(std::uint64_t size);
    // Whether `count` more entry records fit, before they are made.
    bool AffordsEntries(std::uint64_t count);
    void TakeEntries(std::uint64_t count) { m_entriesLeft -= count; }
    // Why nothing more is read, once a limit is reached.
    const std::string& spent() const { return m_spent; }

private:
    bool Spend(std::uint64_t size);

    const MemoryView& m_memory;
    WineHeapLimits m_limits;
    std::uint64_t m_readsLeft;
    std::uint64_t m_bytesLeft;
    std::uint64_t m_entriesLeft;
    std::string m_spent;
};

} // namespace corvane
