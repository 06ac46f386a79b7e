#include "heap/debug_buffer.h"

#include "heap/fields.h"

#include <algorithm>
#include <cinttypes>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <limits>

namespace corvane {

namespace {

// Where each field the tool reads sits, per layout.
struct LayoutInfo {
    unsigned pointerSize;
    unsigned heapsPointerOffset; // in the buffer header
    unsigned heapArrayOffset;    // in the process-heaps record
    unsigned heapRecordSize;
    unsigned baseOffset, flagsOffset, overheadOffset;
    unsigned allocatedOffset, committedOffset, sizeFieldWidth;
    unsigned entryCountOffset, entriesOffset;
    unsigned entryRecordSize;
    unsigned entrySizeOffset, entryFlagsOffset, entryFirstBlockOffset;
};

constexpr LayoutInfo kClassic32{4, 0x38, 4, 64, 0x00, 0x04, 0x08, 0x0C, 0x10, 4, 0x18, 0x3C, 16, 0x00, 0x04, 0x0C};
constexpr LayoutInfo kTagged32{4, 0x38, 8, 72, 0x00, 0x04, 0x08, 0x0C, 0x10, 4, 0x18, 0x3C, 16, 0x00, 0x04, 0x0C};
constexpr LayoutInfo kNative64{8, 0x70, 8, 88, 0x00, 0x08, 0x0C, 0x10, 0x18, 8, 0x24, 0x50, 32, 0x00, 0x08, 0x18};

const LayoutInfo& Info(HeapRecordLayout layout) {
    switch (layout) {
    case HeapRecordLayout::Tagged32: return kTagged32;
    case HeapRecordLayout::Native64: return kNative64;
    case HeapRecordLayout::Classic32: break;
    }
    return kClassic32;
}

std::uint32_t Low32(std::uint64_t value) { return static_cast<std::uint32_t>(value); }

// Highest address + 1 that a pointer of this width can reach.
std::uint64_t AddressLimit(const LayoutInfo& info) {
    return info.pointerSize == 4 ? (std::uint64_t{1} << 32) : std::numeric_limits<std::uint64_t>::max();
}

// The byte length of `count` records of `recordSize` starting at `start`, or
// false when that range does not fit in the address space.
bool ArrayExtent(const LayoutInfo& info, Address start, std::uint64_t count, unsigned recordSize,
                 std::uint64_t& bytes) {
    const std::uint64_t limit = AddressLimit(info);
    if (start >= limit) return false;
    if (count > (limit - start) / recordSize) return false;
    bytes = count * recordSize;
    return true;
}

// Reads `count` records of `recordSize` bytes at `start` in pieces, handing
// each record's bytes to `decode`.
template <typename Decode>
bool ReadRecords(const MemoryView& memory, Address start, std::uint64_t count, unsigned recordSize, Decode decode) {
    constexpr std::uint64_t kRecordsPerPiece = 4096;
    std::vector<unsigned char> piece(static_cast<std::size_t>(std::min(count, kRecordsPerPiece)) * recordSize);
    for (std::uint64_t done = 0; done < count;) {
        const std::uint64_t n = std::min(count - done, kRecordsPerPiece);
        const std::size_t bytes = static_cast<std::size_t>(n) * recordSize;
        if (!memory.Read(start + done * recordSize, piece.data(), bytes)) return false;
        for (std::uint64_t i = 0; i < n; ++i)
            decode(piece.data() + i * recordSize);
        done += n;
    }
    return true;
}
} // namespace

namespace {

// Where the header ends and the heap list begins.
std::size_t HeaderBytes(const LayoutInfo& info) { return info.heapsPointerOffset + info.pointerSize; }

} // namespace

HeaderField HeapsPointerField(HeapRecordLayout layout) {
    const LayoutInfo& info = Info(layout);
    return {info.heapsPointerOffset, info.pointerSize};
}

Address LayOutDebugBuffer(HeapRecordLayout layout, const std::vector<HeapWithEntries>& heaps,
                          std::vector<unsigned char>& image) {
    const LayoutInfo& info = Info(layout);
    const std::size_t heapList = HeaderBytes(info);
    std::size_t size = heapList + info.heapArrayOffset + heaps.size() * info.heapRecordSize;
    for (const HeapWithEntries& heap : heaps)
        size += heap.entries.size() * info.entryRecordSize;
    image.assign(size, 0);
    unsigned char* bytes = image.data();
    const Address address = reinterpret_cast<std::uintptr_t>(bytes);
    WriteField(bytes + info.heapsPointerOffset, address + heapList, info.pointerSize);
    WriteField(bytes + heapList, heaps.size(), 4);
    std::size_t entries = heapList + info.heapArrayOffset + heaps.size() * info.heapRecordSize;
    for (std::size_t i = 0; i < heaps.size(); ++i) {
        const HeapRecord& heap = heaps[i].record;
        unsigned char* r = bytes + heapList + info.heapArrayOffset + i * info.heapRecordSize;
        WriteField(r + info.baseOffset, heap.base, info.pointerSize);
        WriteField(r + info.flagsOffset, heap.flags, 4);
        WriteField(r + info.overheadOffset, heap.entryOverhead, 2);
        WriteField(r + info.allocatedOffset, heap.bytesAllocated, info.sizeFieldWidth);
        WriteField(r + info.committedOffset, heap.bytesCommitted, info.sizeFieldWidth);
        WriteField(r + info.entryCountOffset, heaps[i].entries.size(), 4);
        WriteField(r + info.entriesOffset, heaps[i].entries.empty() ? 0 : address + entries, info.pointerSize);
        for (const HeapEntry& entry : heaps[i].entries) {
            unsigned char* e = bytes + entries;
            WriteField(e + info.entrySizeOffset, entry.size, info.pointerSize);
            WriteField(e + info.entryFlagsOffset, entry.flags, 2);
            WriteField(e + info.entryFirstBlockOffset, entry.firstBlock, info.pointerSize);
            entries += info.entryRecordSize;
        }
    }
    return address;
}

HeapRecordLayout HeapRecordLayoutForBuild(std::uint32_t windowsBuild) {
    // Windows 11 21H2 is build 22000; the tagged records came with the builds after it.
    return windowsBuild > 22000 ? HeapRecordLayout::Tagged32 : HeapRecordLayout::Classic32;
}

AddressWidth AddressWidthOf(HeapRecordLayout layout) {
    return Info(layout).pointerSize == 8 ? AddressWidth::Bits64 : AddressWidth::Bits32;
}

DebugBufferReader::DebugBufferReader(const MemoryView& memory, HeapRecordLayout layout)
    : m_memory(memory), m_layout(layout) {}

bool DebugBufferReader::ReadHeaps(Address buffer, bool checkEntryArrays, std::vector<HeapRecord>& heaps,
                                  std::string& error) const {
    const LayoutInfo& info = Info(m_layout);
    heaps.clear();

    unsigned char pointer[8] = {};
    if (!m_memory.Read(buffer + info.heapsPointerOffset, pointer, info.pointerSize)) {
        error = FormatText("the debug buffer at 0x%.8" PRIx64 " cannot be read", buffer);
        return false;
    }
    const Address heapList = ReadField(pointer, info.pointerSize);
    if (heapList == 0) return true;

    unsigned char countBytes[4] = {};
    if (!m_memory.Read(heapList, countBytes, sizeof countBytes)) {
        error = FormatText("the heap list at 0x%.8" PRIx64 " cannot be read", heapList);
        return false;
    }
    const std::uint32_t count = Low32(ReadField(countBytes, 4));
    const Address first = heapList + info.heapArrayOffset;
    std::uint64_t bytes = 0;
    if (!ArrayExtent(info, first, count, info.heapRecordSize, bytes) || !m_memory.IsReadable(first, bytes)) {
        error = FormatText("the heap list at 0x%.8" PRIx64 " counts %" PRIu32 " heaps, more than its memory holds",
                           heapList, count);
        return false;
    }

    heaps.reserve(count);
    const bool read = ReadRecords(m_memory, first, count, info.heapRecordSize, [&](const unsigned char* r) {
        HeapRecord heap;
        heap.base = ReadField(r + info.baseOffset, info.pointerSize);
        heap.flags = Low32(ReadField(r + info.flagsOffset, 4));
        heap.entryOverhead = static_cast<std::uint16_t>(ReadField(r + info.overheadOffset, 2));
        heap.bytesAllocated = ReadField(r + info.allocatedOffset, info.sizeFieldWidth);
        heap.bytesCommitted = ReadField(r + info.committedOffset, info.sizeFieldWidth);
        heap.entryCount = Low32(ReadField(r + info.entryCountOffset, 4));
        heap.entries = ReadField(r + info.entriesOffset, info.pointerSize);
        heaps.push_back(heap);
    });
    if (!read) {
        heaps.clear();
        error = FormatText("the heap list at 0x%.8" PRIx64 " cannot be read", heapList);
        return false;
    }

    if (checkEntryArrays) {
        for (std::size_t i = 0; i < heaps.size(); ++i) {
            const HeapRecord& heap = heaps[i];
            if (heap.entryCount == 0) continue;
            if (!ArrayExtent(info, heap.entries, heap.entryCount, info.entryRecordSize, bytes) ||
                !m_memory.IsReadable(heap.entries, bytes)) {
                error = FormatText("heap %zu counts %" PRIu32 " entries, but no such entry array lies at 0x%.8" PRIx64,
                                   i + 1, heap.entryCount, heap.entries);
                heaps.clear();
                return false;
            }
        }
    }
    return true;
}

bool DebugBufferReader::ReadEntries(const HeapRecord& heap, std::vector<HeapEntry>& entries, std::string& error) const {
    const LayoutInfo& info = Info(m_layout);
    entries.clear();
    if (heap.entryCount == 0) return true;

    std::uint64_t bytes = 0;
    if (!ArrayExtent(info, heap.entries, heap.entryCount, info.entryRecordSize, bytes) ||
        !m_memory.IsReadable(heap.entries, bytes)) {
        error = FormatText("the heap at 0x%.8" PRIx64 " counts %" PRIu32
                           " entries, but no such entry array lies at 0x%.8" PRIx64,
                           heap.base, heap.entryCount, heap.entries);
        return false;
    }
    entries.reserve(heap.entryCount);
    const bool read =
        ReadRecords(m_memory, heap.entries, heap.entryCount, info.entryRecordSize, [&](const unsigned char* r) {
            HeapEntry entry;
            entry.size = ReadField(r + info.entrySizeOffset, info.pointerSize);
            entry.flags = static_cast<std::uint16_t>(ReadField(r + info.entryFlagsOffset, 2));
            entry.firstBlock = ReadField(r + info.entryFirstBlockOffset, info.pointerSize);
            entries.push_back(entry);
        });
    if (!read) {
        entries.clear();
        error = FormatText("the entry array of the heap at 0x%.8" PRIx64 " cannot be read", heap.base);
        return false;
    }
    return true;
}

} // namespace corvane
