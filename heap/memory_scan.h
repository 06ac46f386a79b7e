#pragma once

// Reading many ranges of another process's memory a few pieces at a time,
// for the tools that look at every pointer-sized value in them.

#include "heap/block_source.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <functional>
#include <vector>

namespace corvane {

// A range to read, with a tag its reader gives back with its bytes.
struct ScanRange {
    Address address = 0;
    std::uint64_t size = 0;
    std::uint32_t tag = 0;
};

// Bytes of range `range` (its position among the ranges), starting at
// `address`; a range larger than a piece comes in several calls, in order.
using ScanVisit = std::function<void(std::size_t range, Address address, const std::uint8_t* bytes, std::size_t size)>;

// Reads the ranges in address order. Ranges that follow each other with
// small gaps between them are read in one Read of up to a piece, as the
// blocks of a heap are; when such a read fails, each range is read alone.
// A larger range is read in pieces that end on an 8-byte boundary, so that
// no pointer-sized value is cut in two. A piece that cannot be read is
// skipped and counted, never guessed at.
class MemoryScan {
public:
    // `memory` is not owned and must outlive the scan. The ranges are
    // sorted here; empty ones and ones whose end wraps are not read.
    MemoryScan(TargetMemory& memory, std::vector<ScanRange> ranges, std::size_t pieceSize);

    // Reads on until about `byteBudget` bytes were read (whole reads, and
    // each counts as at least a few KiB); at least one read per call. False
    // once every range is read.
    bool Step(std::uint64_t byteBudget, const ScanVisit& visit);

    bool Done() const { return m_next >= m_ranges.size(); }
    const std::vector<ScanRange>& Ranges() const { return m_ranges; }
    std::uint64_t BytesRead() const { return m_bytesRead; }
    std::uint64_t BytesUnreadable() const { return m_bytesUnreadable; }
    std::uint64_t BytesTotal() const { return m_bytesTotal; }
    // Ranges with bytes that could not be read, each counted once.
    std::uint32_t UnreadableRanges() const { return m_unreadableRanges; }

private:
    std::size_t RunEnd() const;
    std::uint64_t ReadRun(std::size_t runEnd, const ScanVisit& visit);
    std::uint64_t ReadPiece(const ScanVisit& visit);
    void CountUnreadable(std::uint64_t bytes);

    TargetMemory& m_memory; // not owned
    std::vector<ScanRange> m_ranges;
    std::size_t m_pieceSize;
    std::vector<std::uint8_t> m_buffer;
    std::size_t m_next = 0;
    std::uint64_t m_nextOffset = 0;  // where the next piece of range m_next starts
    bool m_nextCounted = false;      // m_next is already counted as unreadable
    std::size_t m_oneByOneUntil = 0; // ranges before this one are read alone: their run's read failed
    std::uint64_t m_bytesRead = 0;
    std::uint64_t m_bytesUnreadable = 0;
    std::uint64_t m_bytesTotal = 0;
    std::uint32_t m_unreadableRanges = 0;
};

// Calls visit(address, value) for every value of `pointerBytes` bytes (4 or
// 8, little-endian) that lies wholly in [address, address + size) at an
// address that is a multiple of its size.
template <typename Visit>
void ForEachAlignedValue(const std::uint8_t* bytes, std::size_t size, Address address, unsigned pointerBytes,
                         Visit&& visit) {
    const std::size_t skip = static_cast<std::size_t>((pointerBytes - address % pointerBytes) % pointerBytes);
    if (skip >= size) return;
    const std::uint8_t* at = bytes + skip;
    const std::uint8_t* const end = bytes + size;
    Address where = address + skip;
    if (pointerBytes == 8) {
        for (; end - at >= 8; at += 8, where += 8) {
            std::uint64_t value;
            std::memcpy(&value, at, 8);
            visit(where, static_cast<Address>(value));
        }
    } else {
        for (; end - at >= 4; at += 4, where += 4) {
            std::uint32_t value;
            std::memcpy(&value, at, 4);
            visit(where, static_cast<Address>(value));
        }
    }
}

} // namespace corvane
