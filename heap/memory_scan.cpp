#include "heap/memory_scan.h"

#include <algorithm>

namespace corvane {

namespace {

// Ranges are read together over gaps up to this size (block headers, small
// free blocks): reading a few bytes more costs less than another read.
constexpr std::uint64_t kMaxGapInRead = 16 << 10;
// What a read costs against a step's budget at least, so that a step through
// many tiny or unreadable ranges still ends in good time.
constexpr std::uint64_t kReadCost = 4 << 10;

bool Readable(const ScanRange& range) { return range.size != 0 && range.address + range.size > range.address; }

} // namespace

MemoryScan::MemoryScan(TargetMemory& memory, std::vector<ScanRange> ranges, std::size_t pieceSize)
    : m_memory(memory), m_pieceSize(std::max<std::size_t>(pieceSize & ~std::size_t{7}, 64)) {
    ranges.erase(std::remove_if(ranges.begin(), ranges.end(), [](const ScanRange& r) { return !Readable(r); }),
                 ranges.end());
    std::stable_sort(ranges.begin(), ranges.end(),
                     [](const ScanRange& a, const ScanRange& b) { return a.address < b.address; });
    m_ranges = std::move(ranges);
    for (const ScanRange& range : m_ranges)
        m_bytesTotal += range.size;
}

bool MemoryScan::Step(std::uint64_t byteBudget, const ScanVisit& visit) {
    std::uint64_t spent = 0;
    do {
        if (Done()) return false;
        const std::size_t runEnd = m_next >= m_oneByOneUntil ? RunEnd() : m_next + 1;
        const std::uint64_t cost = runEnd > m_next + 1 ? ReadRun(runEnd, visit) : ReadPiece(visit);
        spent += std::max(cost, kReadCost);
    } while (spent < byteBudget);
    return !Done();
}

std::size_t MemoryScan::RunEnd() const {
    // A range that does not fit a piece by itself is read in pieces.
    const ScanRange& first = m_ranges[m_next];
    if (m_nextOffset != 0 || first.size > m_pieceSize) return m_next + 1;
    std::size_t end = m_next + 1;
    Address reach = first.address + first.size;
    while (end < m_ranges.size()) {
        const ScanRange& range = m_ranges[end];
        if (range.address < reach && range.address + range.size > reach) break; // overlaps: read alone
        if (range.address > reach && range.address - reach > kMaxGapInRead) break;
        const Address rangeEnd = std::max(reach, range.address + range.size);
        if (rangeEnd - first.address > m_pieceSize) break;
        reach = rangeEnd;
        ++end;
    }
    return end;
}

std::uint64_t MemoryScan::ReadRun(std::size_t runEnd, const ScanVisit& visit) {
    const Address start = m_ranges[m_next].address;
    Address reach = start;
    for (std::size_t i = m_next; i < runEnd; ++i)
        reach = std::max(reach, m_ranges[i].address + m_ranges[i].size);
    const auto size = static_cast<std::size_t>(reach - start);
    m_buffer.resize(size);
    std::size_t read = 0;
    if (!m_memory.Read(start, m_buffer.data(), size, read) || read != size) {
        m_oneByOneUntil = runEnd; // each of them alone, then
        return size;
    }
    for (std::size_t i = m_next; i < runEnd; ++i) {
        const ScanRange& range = m_ranges[i];
        visit(i, range.address, m_buffer.data() + (range.address - start), static_cast<std::size_t>(range.size));
    }
    m_bytesRead += size;
    m_next = runEnd;
    return size;
}

std::uint64_t MemoryScan::ReadPiece(const ScanVisit& visit) {
    const ScanRange& range = m_ranges[m_next];
    const Address at = range.address + m_nextOffset;
    std::uint64_t length = std::min<std::uint64_t>(range.size - m_nextOffset, m_pieceSize);
    // A piece that is not the range's last ends on an 8-byte boundary.
    if (m_nextOffset + length < range.size && (at + length) % 8 != 0 && length > 8) length -= (at + length) % 8;
    const auto size = static_cast<std::size_t>(length);
    m_buffer.resize(size);
    std::size_t read = 0;
    if (m_memory.Read(at, m_buffer.data(), size, read) && read == size) {
        visit(m_next, at, m_buffer.data(), size);
        m_bytesRead += size;
    } else {
        CountUnreadable(size);
    }
    m_nextOffset += length;
    if (m_nextOffset >= range.size) {
        ++m_next;
        m_nextOffset = 0;
        m_nextCounted = false;
    }
    return size;
}

void MemoryScan::CountUnreadable(std::uint64_t bytes) {
    m_bytesUnreadable += bytes;
    if (!m_nextCounted) ++m_unreadableRanges;
    m_nextCounted = true;
}

} // namespace corvane
