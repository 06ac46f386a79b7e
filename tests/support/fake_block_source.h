#pragma once

// A block source whose targets read from one byte range in memory, with
// switches for every way opening, allocating and reading can fail, and a
// record of what was opened, closed and read.

#include "heap/block_source.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <utility>
#include <vector>

namespace corvane::testing {

struct FakeTargetState {
    Address base = 0; // where `bytes` lie in the target
    std::vector<std::uint8_t> bytes;
    bool failOpen = false;
    bool failAllocate = false;
    bool failRead = false;       // every read fails
    int failAtRead = -1;         // the read with this index, counted from 0, fails
    std::size_t shortReadBy = 0; // a read reports this many bytes fewer than it copied
    bool readNothing = false;    // a read succeeds but reports no bytes
    int opened = 0;
    int closed = 0;
    std::vector<std::pair<Address, std::size_t>> reads;
};

class FakeTarget : public TargetMemory {
public:
    explicit FakeTarget(FakeTargetState& state) : m_state(state) { ++m_state.opened; }
    ~FakeTarget() override { ++m_state.closed; }
    bool Read(Address address, void* destination, std::size_t size, std::size_t& bytesRead) override {
        bytesRead = 0;
        const int index = static_cast<int>(m_state.reads.size());
        m_state.reads.emplace_back(address, size);
        if (m_state.failRead || index == m_state.failAtRead || address < m_state.base ||
            address - m_state.base + size > m_state.bytes.size())
            return false;
        std::copy_n(m_state.bytes.begin() + static_cast<std::ptrdiff_t>(address - m_state.base), size,
                    static_cast<std::uint8_t*>(destination));
        bytesRead = m_state.readNothing ? 0 : size - m_state.shortReadBy;
        return true;
    }

private:
    FakeTargetState& m_state;
};

class FakeSource : public BlockSource {
public:
    FakeTargetState state;
    std::uint32_t pid = 0;
    AddressWidth width = AddressWidth::Bits32;
    AddressWidth Width() const override { return width; }
    std::unique_ptr<TargetMemory> Open(std::uint32_t processId) override {
        pid = processId;
        if (state.failOpen) return nullptr;
        return std::make_unique<FakeTarget>(state);
    }
    std::unique_ptr<std::uint8_t[]> Allocate(std::uint32_t size) override {
        if (state.failAllocate) return nullptr;
        return BlockSource::Allocate(size);
    }
};

} // namespace corvane::testing
