#pragma once

#include "heap/memory_view.h"

#include <cstdint>
#include <string>
#include <vector>

namespace corvane {

// How the platform lays out the heap records of a debug-information buffer.
enum class HeapRecordLayout {
    // 32-bit process: heap records of 64 bytes starting at offset 4 of the
    // process-heaps record.
    Classic32,
    // 32-bit process on Windows 11 22H2 and later: each record carries an
    // extra 64-bit field, so records are 72 bytes and, by that field's
    // alignment, the array starts at offset 8.
    Tagged32,
    // 64-bit process: pointer-sized fields, heap records of 88 bytes at
    // offset 8, entry records of 32 bytes.
    Native64,
};

// The layout a 32-bit process sees on the Windows build given.
HeapRecordLayout HeapRecordLayoutForBuild(std::uint32_t windowsBuild);

// The width of the addresses and sizes that buffers of this layout carry.
AddressWidth AddressWidthOf(HeapRecordLayout layout);

// Query flags of the debug-information service.
constexpr std::uint32_t kQueryHeapSummary = 0x04;
constexpr std::uint32_t kQueryHeapEntries = 0x10;
constexpr std::uint32_t kQueryHeapsWithEntries = kQueryHeapSummary | kQueryHeapEntries;

// The fields of a heap record that the tool uses. Addresses and sizes keep
// the full width the buffer gives them.
struct HeapRecord {
    Address base = 0;
    std::uint32_t flags = 0;
    std::uint16_t entryOverhead = 0;
    std::uint64_t bytesAllocated = 0;
    std::uint64_t bytesCommitted = 0;
    std::uint32_t entryCount = 0;
    Address entries = 0;
};

// The fields of an entry record that the block walk uses.
struct HeapEntry {
    std::uint64_t size = 0;
    std::uint16_t flags = 0;
    Address firstBlock = 0;
};

// Entry flag bits.
constexpr std::uint16_t kEntrySegment = 0x0002;
constexpr std::uint16_t kEntryMoveable = 0x0020;
constexpr std::uint16_t kEntryFixedMask = 0x00F1;
constexpr std::uint16_t kEntryFixedExtra = 0x0200;
constexpr std::uint16_t kEntryFree = 0x0100;
// A block inside a low-fragmentation front end's group, which holds many
// small blocks inside one busy block of a region. Only the reader of Wine's
// heaps sets it, on each of a group's blocks, busy or free. The platform's
// own entries carry their bits in the low ten (busy and its kinds, segment,
// moveable, free, the extra fixed bit: all of 0x03FF at most), so the top
// bit is one its buffers leave clear, and none of the masks above looks at
// it: a marked entry walks and classifies exactly as an unmarked one.
constexpr std::uint16_t kEntryFrontEnd = 0x8000;

// A heap with its entry records, as a snapshot describes it.
struct HeapWithEntries {
    HeapRecord record;
    std::vector<HeapEntry> entries;
};

// Lays out in `image` a debug-information buffer that holds `heaps`, as the
// platform lays out its own for `layout`: its header, the process-heaps
// record with the heap records, then the entry arrays, every pointer in it
// leading to where those lie in `image`. The records' entry counts and
// entry-array addresses are those of the entries given. Returns the address
// of the buffer, where the image lies.
Address LayOutDebugBuffer(HeapRecordLayout layout, const std::vector<HeapWithEntries>& heaps,
                          std::vector<unsigned char>& image);

// Where a buffer's header keeps the address of its process-heaps record.
struct HeaderField {
    unsigned offset;
    unsigned width;
};
HeaderField HeapsPointerField(HeapRecordLayout layout);

// Reads the heap part of a debug-information buffer field by field, through
// a memory view. Every pointer and count is checked against readable memory
// before it is followed, so a malformed buffer gives an error text and never
// a read outside memory the view vouches for.
class DebugBufferReader {
public:
    DebugBufferReader(const MemoryView& memory, HeapRecordLayout layout);

    // Reads the heap records of the buffer at `buffer`. No heaps (a null
    // process-heaps address) is success with an empty list. With
    // `checkEntryArrays`, every record that counts entries must also point at
    // a readable entry array of that many records: this catches a buffer read
    // with the wrong record layout.
    bool ReadHeaps(Address buffer, bool checkEntryArrays, std::vector<HeapRecord>& heaps, std::string& error) const;

    // Reads the entry records of one heap; on success entries.size() equals
    // heap.entryCount.
    bool ReadEntries(const HeapRecord& heap, std::vector<HeapEntry>& entries, std::string& error) const;

private:
    const MemoryView& m_memory;
    HeapRecordLayout m_layout;
};

} // namespace corvane
