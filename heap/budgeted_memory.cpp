#include "heap/budgeted_memory.h"

#include "heap/fields.h"

#include <cinttypes>

namespace corvane {

BudgetedMemory::BudgetedMemory(const MemoryView& memory, const WineHeapLimits& limits)
    : m_memory(memory), m_limits(limits), m_readsLeft(limits.reads), m_bytesLeft(limits.bytes),
      m_entriesLeft(limits.entries) {}

bool BudgetedMemory::Affords(std::uint64_t size) {
    if (size > m_bytesLeft && m_spent.empty())
        m_spent =
            FormatText("the reading stopped at its limit of %" PRIu64 " bytes copied from the process", m_limits.bytes);
    return m_spent.empty();
}

bool BudgetedMemory::AffordsEntries(std::uint64_t count) {
    if (count > m_entriesLeft && m_spent.empty())
        m_spent = FormatText("the reading stopped at its limit of %" PRIu64 " blocks", m_limits.entries);
    return m_spent.empty();
}

bool BudgetedMemory::Spend(std::uint64_t size) {
    if (m_readsLeft == 0 && m_spent.empty())
        m_spent =
            FormatText("the reading stopped at its limit of %" PRIu64 " reads of the process's memory", m_limits.reads);
    if (!Affords(size)) return false;
    --m_readsLeft;
    m_bytesLeft -= size;
    return true;
}

} // namespace corvane
