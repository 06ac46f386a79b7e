#include "heap/wine_heaps.h"

#include "heap/budgeted_memory.h"
#include "heap/fields.h"

#include <algorithm>
#include <cinttypes>
#include <cstdarg>
#include <cstdio>
#include <iterator>
#include <map>
#include <memory>
#include <new>
#include <unordered_set>

namespace corvane {

namespace {

constexpr std::uint16_t kBusyEntry = 0x0001;
constexpr std::uint16_t kFreeEntry = kEntryFree;
// How often a region is read when what it holds does not add up: the process
// keeps running, and a region that grows or a group that changes while it
// is read reads well the next time.
constexpr int kRegionReadAttempts = 3;

bool Fail(std::string& failure, const char* format, ...) {
    va_list arguments;
    va_start(arguments, format);
    failure = FormatTextList(format, arguments);
    va_end(arguments);
    return false;
}

// The rows of a region, in address order: each runs from its data to the
// next row's data, so that one row's address plus its size is the next
// row's address, as the platform's rows read.
class RegionRows {
public:
    explicit RegionRows(std::vector<HeapEntry>& entries) : m_entries(entries) {}
    // A row at `data`; `inGroup` for a block of a front-end group.
    void Add(Address data, bool free, bool inGroup = false) {
        if (m_first == 0) m_first = data;
        End(data);
        m_last = m_entries.size();
        m_lastData = data;
        const std::uint16_t flags = free ? kFreeEntry : kBusyEntry;
        m_entries.push_back({0, static_cast<std::uint16_t>(inGroup ? flags | kEntryFrontEnd : flags), 0});
    }
    // The last row runs to `next`.
    void End(Address next) {
        if (m_last != kNone) m_entries[m_last].size = next - m_lastData;
    }
    // The rows go on at `next`, after bytes that are no row's (a front-end
    // group's own header): the last row runs to `end`, and an entry starts
    // the walk again at `next`. Before the first row there is nothing to
    // end, and the region's own entry is made to start at its first row.
    void Skip(Address end, Address next) {
        if (m_last == kNone) return;
        End(end);
        m_entries.push_back({0, kEntrySegment, next - kWineBlockHeaderSize});
        m_last = kNone;
    }
    // Where the first row starts, or 0 when there is none.
    Address first() const { return m_first; }

private:
    static constexpr std::size_t kNone = ~std::size_t{0};
    std::vector<HeapEntry>& m_entries;
    std::size_t m_last = kNone;
    Address m_first = 0;
    Address m_lastData = 0;
};

// What one read of a region adds to its heap's entries, from `start` on: its
// segment entry, then its blocks.
struct RegionBlocks {
    std::vector<HeapEntry>& entries;
    std::size_t start;
    std::uint64_t allocated = 0;
    std::size_t Count() const { return entries.size() - start; }
};

// Reads the heaps of one snapshot in one layout. Ranges already read as a
// region or a large block are remembered, so that no memory is read twice
// as part of two heaps.
class LayoutReader {
public:
    LayoutReader(BudgetedMemory& memory, const WineLayout& layout)
        : m_memory(memory), m_layout(layout), m_limit(layout.pointerSize == 4 ? 0xFFFFFFFFull : ~std::uint64_t{0}) {}

    bool Value(Address at, unsigned width, std::uint64_t& value) {
        unsigned char bytes[8] = {};
        if (at > m_limit || !m_memory.Read(at, bytes, width)) return false;
        value = ReadField(bytes, width);
        return true;
    }
    bool Pointer(Address at, Address& value) { return Value(at, m_layout.pointerSize, value); }

    // Whether a heap header of this layout lies at `base`: its two marks.
    bool IsHeap(Address base) {
        std::uint64_t signature = 0, magic = 0;
        return Value(base + m_layout.signature, 4, signature) && Value(base + m_layout.magic, 4, magic) &&
               signature == kWineHeapSignature && magic == kWineHeapMagic;
    }

    // Whether the first block of the heap's first region has a type of this
    // layout: what tells the layouts apart once the marks agree.
    bool FirstBlockIsOfThisLayout(Address base) {
        Address link = 0;
        unsigned char header[kWineBlockHeaderSize] = {};
        if (!Pointer(base + m_layout.subheaps, link) || link == base + m_layout.subheaps) return false;
        const Address first = link - m_layout.RegionLinkField() + m_layout.RegionHeaderSize() - kWineBlockHeaderSize;
        if (!m_memory.Read(first, header, sizeof header)) return false;
        const WineBlockType type = m_layout.DecodeBlock(header).type;
        return type == WineBlockType::Used || type == WineBlockType::Free;
    }

    // The links of the circular list whose head is at `head`, in order, up to
    // `limit` of them. False, with what failed, when the list cannot be
    // followed to its head again.
    bool ListLinks(Address head, std::uint32_t limit, const char* what, std::vector<Address>& links,
                   std::string& failure) {
        links.clear();
        std::unordered_set<Address> seen;
        Address link = 0;
        if (!Pointer(head, link)) return Fail(failure, "the %s cannot be read at 0x%" PRIx64, what, head);
        while (link != head) {
            if (links.size() >= limit) return Fail(failure, "the %s does not end", what);
            if (!seen.insert(link).second) return Fail(failure, "the %s runs in a circle", what);
            links.push_back(link);
            Address next = 0;
            if (!Pointer(link, next))
                return Fail(failure, "the %s leads to 0x%" PRIx64 ", which cannot be read", what, link);
            link = next;
        }
        return true;
    }

    bool ReadHeap(Address base, WineHeap& heap, std::string& failure) {
        if (!IsHeap(base)) return Fail(failure, "its header is not a heap's");
        std::uint64_t flags = 0;
        if (!Value(base + m_layout.flags, 4, flags)) return Fail(failure, "its flags cannot be read");
        heap.record.base = base;
        heap.record.flags = static_cast<std::uint32_t>(flags);
        heap.record.entryOverhead = static_cast<std::uint16_t>(kWineBlockHeaderSize);
        std::vector<Address> links;
        if (!ListLinks(base + m_layout.subheaps, kMaxHeapRegions, "list of regions", links, failure)) return false;
        for (const Address link : links)
            if (!ReadRegion(link - m_layout.RegionLinkField(), heap, failure)) return false;
        if (!ListLinks(base + m_layout.large, kMaxLargeBlocks, "list of large blocks", links, failure)) return false;
        for (const Address link : links)
            if (!ReadLargeBlock(link - m_layout.regionPad, heap, failure)) return false;
        heap.record.entryCount = static_cast<std::uint32_t>(heap.entries.size());
        return true;
    }

private:
    // Whether [start, end) lies clear of everything read so far.
    bool IsClear(Address start, Address end) const {
        const auto after = m_read.upper_bound(start);
        if (after != m_read.end() && after->first < end) return false;
        return after == m_read.begin() || std::prev(after)->second <= start;
    }

    bool MakeRoom(std::size_t size) {
        if (size <= m_capacity) return true;
        m_buffer.reset(new (std::nothrow) unsigned char[size]);
        m_capacity = m_buffer ? size : 0;
        return m_buffer != nullptr;
    }

    // A region: its header and its committed bytes, read in one piece once
    // the process's map of its memory says they are there, so that the sizes
    // and the blocks they describe belong together.
    bool ReadRegion(Address region, WineHeap& heap, std::string& failure) {
        const unsigned p = m_layout.pointerSize;
        const Address headerSize = m_layout.RegionHeaderSize();
        const Address first = region + headerSize - kWineBlockHeaderSize;
        std::string last;
        for (int attempt = 0; attempt < kRegionReadAttempts; ++attempt) {
            unsigned char header[64] = {};
            if (region > m_limit || !m_memory.Read(region, header, static_cast<std::size_t>(headerSize)))
                return Fail(failure, "the region at 0x%" PRIx64 " cannot be read", region);
            const Address reserved = ReadField(header + m_layout.RegionReservedField(), p);
            const Address committed = ReadField(header + m_layout.RegionCommittedField(), p);
            // The committed bytes lie within the region, which runs from the
            // first block header for `reserved` bytes.
            const Address end = region + headerSize + committed;
            if (committed > kMaxRegionBytes || committed + kWineBlockHeaderSize > reserved || end <= region ||
                end - 1 > m_limit)
                return Fail(failure, "the region at 0x%" PRIx64 " claims %" PRIu64 " committed bytes of %" PRIu64,
                            region, committed, reserved);
            const auto size = static_cast<std::size_t>(headerSize + committed);
            if (!IsClear(region, end))
                return Fail(failure, "the region at 0x%" PRIx64 " lies in memory already read as another's", region);
            if (!m_memory.IsReadable(region, size)) {
                // It may have shrunk since its size was read.
                Fail(last,
                     "the region at 0x%" PRIx64 " claims %" PRIu64 " committed bytes that its memory does not hold",
                     region, committed);
                continue;
            }
            if (!m_memory.Affords(size)) return false; // the limit says why
            if (!MakeRoom(size))
                return Fail(failure, "the region at 0x%" PRIx64 " holds %" PRIu64 " bytes, more than can be copied now",
                            region, committed);
            if (!m_memory.Read(region, m_buffer.get(), size)) {
                Fail(last, "the region at 0x%" PRIx64 " cannot be read", region);
                continue;
            }
            // The sizes as this read has them, which may have changed since.
            const Address now = ReadField(m_buffer.get() + m_layout.RegionCommittedField(), p);
            if (now > committed) {
                Fail(last, "the region at 0x%" PRIx64 " keeps changing as it is read", region);
                continue;
            }
            RegionBlocks blocks{heap.entries, heap.entries.size()};
            heap.entries.push_back({now, kEntrySegment, first});
            if (!ReadBlocks(m_buffer.get() + headerSize - kWineBlockHeaderSize,
                            static_cast<std::size_t>(now + kWineBlockHeaderSize), first, blocks, last)) {
                heap.entries.resize(blocks.start);
                if (!m_memory.spent().empty()) return false; // no better on a second read
                continue;
            }
            m_memory.TakeEntries(blocks.Count());
            heap.record.bytesCommitted += headerSize + now;
            heap.record.bytesAllocated += blocks.allocated;
            m_read.emplace(region, end);
            return true;
        }
        failure = last;
        return false;
    }

    // The blocks of a region from its first block header on: `length` bytes
    // at `bytes`, read from `first`. They follow each other to the committed
    // end; what is left there when it is too short for a block, or holds no
    // more than a header, is no block.
    bool ReadBlocks(const unsigned char* bytes, std::size_t length, Address first, RegionBlocks& blocks,
                    std::string& failure) const {
        const Address end = first + length;
        RegionRows rows(blocks.entries);
        std::size_t offset = 0;
        Address next = end;
        while (length - offset >= m_layout.blockAlign && length - offset > kWineBlockHeaderSize) {
            const Address header = first + offset;
            if (!m_memory.AffordsEntries(blocks.Count() + 1)) return false;
            const WineBlockHeader block = m_layout.DecodeBlock(bytes + offset);
            const bool free = block.free;
            if (block.type != WineBlockType::Used && block.type != WineBlockType::Free &&
                block.type != WineBlockType::Dead)
                return Fail(failure, "the block at 0x%" PRIx64 " is of no known type (0x%0*x)", header,
                            m_layout.version == WineHeapVersion::Wine10 ? 2 : 4, block.rawType);
            if (free != (block.type != WineBlockType::Used))
                return Fail(failure, "the block at 0x%" PRIx64 " is marked both free and in use", header);
            const std::uint64_t size = block.units * m_layout.blockAlign;
            if (size == 0) return Fail(failure, "the block at 0x%" PRIx64 " has a size of 0", header);
            const bool last = size >= length - offset;
            // Only the free space at a region's end may reach past what is
            // committed: the region's uncommitted rest belongs to it.
            if (last && size != length - offset && !free)
                return Fail(failure, "the block at 0x%" PRIx64 " runs past the committed end at 0x%" PRIx64, header,
                            end);
            if (!free && block.tail + kWineBlockHeaderSize > size)
                return Fail(failure, "the block at 0x%" PRIx64 " has more unused bytes than it holds", header);
            if (!free && block.frontEnd && m_layout.HasFrontEnd()) {
                if (!ReadGroup(bytes + offset, header, size - kWineBlockHeaderSize - block.tail, rows, blocks, failure))
                    return false;
            } else {
                if (!free) blocks.allocated += size - kWineBlockHeaderSize - block.tail;
                rows.Add(header + kWineBlockHeaderSize, free);
            }
            next = header + size + kWineBlockHeaderSize;
            if (last) break;
            offset += static_cast<std::size_t>(size);
        }
        rows.End(std::min(next, end));
        // The rows are walked from the region's segment entry on, from its
        // first block's data: a group there starts them at its first block.
        if (rows.first() != 0) blocks.entries[blocks.start].firstBlock = rows.first() - kWineBlockHeaderSize;
        return true;
    }

    // The 31 blocks of a front-end group, held in the busy block whose
    // header is at `container`, with `room` bytes of data. Every block's
    // header must agree with its group, and with the group's free bits, which
    // the front end changes without a lock: a block is believed only when
    // both say the same.
    bool ReadGroup(const unsigned char* container, Address header, std::uint64_t room, RegionRows& rows,
                   RegionBlocks& blocks, std::string& failure) const {
        const unsigned char* group = container + kWineBlockHeaderSize;
        const Address at = header + kWineBlockHeaderSize;
        const Address firstBlock = m_layout.GroupFirstBlock();
        if (room < firstBlock + kWineBlockHeaderSize)
            return Fail(failure, "the group at 0x%" PRIx64 " is too small to hold its blocks", at);
        const auto freeBits = static_cast<std::uint32_t>(ReadField(group + m_layout.GroupFreeBitsField(), 4));
        const std::uint64_t stride = m_layout.DecodeBlock(group + firstBlock).units * m_layout.blockAlign;
        if (stride <= kWineBlockHeaderSize || firstBlock + kWineGroupBlocks * stride > room)
            return Fail(failure, "the group at 0x%" PRIx64 " cannot hold %u blocks of %" PRIu64 " bytes", at,
                        kWineGroupBlocks, stride);
        // The block before the group ends where the group starts, so that no
        // value pointing at the group's own header is taken for one into it.
        rows.Skip(at, at + firstBlock + kWineBlockHeaderSize);
        for (unsigned i = 0; i < kWineGroupBlocks; ++i) {
            const std::uint64_t offset = firstBlock + i * stride;
            const WineBlockHeader block = m_layout.DecodeBlock(group + offset);
            const bool free = block.type == WineBlockType::Free;
            if (!free && block.type != WineBlockType::Used)
                return Fail(failure, "block %u of the group at 0x%" PRIx64 " is of no known type (0x%02x)", i, at,
                            block.rawType);
            if (!block.frontEnd)
                return Fail(failure, "block %u of the group at 0x%" PRIx64 " is not marked as a group's", i, at);
            if (block.units * m_layout.blockAlign != stride)
                return Fail(failure,
                            "block %u of the group at 0x%" PRIx64 " has a size of %" PRIu64
                            " bytes, not the group's %" PRIu64,
                            i, at, block.units * m_layout.blockAlign, stride);
            if (block.position != i)
                return Fail(failure, "block %u of the group at 0x%" PRIx64 " says it is block %u", i, at,
                            block.position);
            if (free != block.free)
                return Fail(failure, "block %u of the group at 0x%" PRIx64 " is marked both free and in use", i, at);
            if (free != (((freeBits >> i) & 1) != 0))
                return Fail(failure, "the free bits of the group at 0x%" PRIx64 " disagree with its block %u", at, i);
            if (!free && block.tail + kWineBlockHeaderSize > stride)
                return Fail(failure, "block %u of the group at 0x%" PRIx64 " has more unused bytes than it holds", i,
                            at);
            if (!free) blocks.allocated += stride - kWineBlockHeaderSize - block.tail;
            rows.Add(at + offset + kWineBlockHeaderSize, free, true);
        }
        return true;
    }

    // A large block: its header, read in one piece, and its memory, which
    // the process's map must say is all there.
    bool ReadLargeBlock(Address header, WineHeap& heap, std::string& failure) {
        const unsigned p = m_layout.pointerSize;
        const Address headerSize = m_layout.RegionHeaderSize();
        unsigned char bytes[64] = {};
        if (header > m_limit || !m_memory.Read(header, bytes, static_cast<std::size_t>(headerSize)))
            return Fail(failure, "the large block at 0x%" PRIx64 " cannot be read", header);
        const Address dataSize = ReadField(bytes + m_layout.LargeDataSizeField(), p);
        const Address virtualSize = ReadField(bytes + m_layout.LargeVirtualSizeField(), p);
        const WineBlockHeader block = m_layout.DecodeBlock(bytes + headerSize - kWineBlockHeaderSize);
        const Address data = header + headerSize;
        if (block.type != WineBlockType::Large || dataSize == 0 || dataSize > virtualSize ||
            virtualSize - dataSize < headerSize || virtualSize - 1 > m_limit - header)
            return Fail(failure, "the large block at 0x%" PRIx64 " is not laid out as one", header);
        if (!IsClear(header, header + virtualSize))
            return Fail(failure, "the large block at 0x%" PRIx64 " lies in memory already read as another's", header);
        if (!m_memory.IsReadable(header, static_cast<std::size_t>(virtualSize)))
            return Fail(failure,
                        "the large block at 0x%" PRIx64 " claims %" PRIu64 " bytes that its memory does not hold",
                        header, virtualSize);
        if (!m_memory.AffordsEntries(2)) return false;
        m_memory.TakeEntries(2);
        m_read.emplace(header, header + virtualSize);
        heap.entries.push_back({dataSize, kEntrySegment, data - kWineBlockHeaderSize});
        heap.entries.push_back({dataSize, kBusyEntry, 0});
        heap.record.bytesCommitted += virtualSize;
        heap.record.bytesAllocated += dataSize;
        return true;
    }

    BudgetedMemory& m_memory;
    WineLayout m_layout;
    std::uint64_t m_limit;
    std::map<Address, Address> m_read; // start and end of each range read
    std::unique_ptr<unsigned char[]> m_buffer;
    std::size_t m_capacity = 0;
};

// The one known layout whose marks and first block the process heap has.
WineHeapVersion RecogniseLayout(BudgetedMemory& memory, Address processHeap, unsigned pointerSize) {
    WineHeapVersion found = WineHeapVersion::Unknown;
    for (const WineHeapVersion version : {WineHeapVersion::Wine8, WineHeapVersion::Wine10}) {
        LayoutReader reader(memory, WineLayout::Of(version, pointerSize));
        if (!reader.IsHeap(processHeap) || !reader.FirstBlockIsOfThisLayout(processHeap)) continue;
        if (found != WineHeapVersion::Unknown) return WineHeapVersion::Unknown; // both fit: neither is believed
        found = version;
    }
    return found;
}

} // namespace

WineHeapSnapshot ReadWineHeaps(const MemoryView& view, Address peb, unsigned pointerSize,
                               const WineHeapLimits& limits) {
    WineHeapSnapshot snapshot;
    BudgetedMemory memory(view, limits);
    // Both layouts keep the process heap's address in the same place.
    const WineLayout eitherLayout = WineLayout::Of(WineHeapVersion::Wine8, pointerSize);
    Address processHeap = 0;
    if (!LayoutReader(memory, eitherLayout).Pointer(peb + eitherLayout.processHeap, processHeap) || processHeap == 0) {
        snapshot.unreadable = "The heaps of this process cannot be read: its memory cannot be read.";
        return snapshot;
    }
    snapshot.version = RecogniseLayout(memory, processHeap, pointerSize);
    if (snapshot.version == WineHeapVersion::Unknown) {
        snapshot.unreadable = "This system's heaps cannot be read.";
        return snapshot;
    }
    const WineLayout layout = WineLayout::Of(snapshot.version, pointerSize);
    LayoutReader reader(memory, layout);

    // The process heap, then every heap on its list of heaps, as far as the
    // list can be followed.
    std::vector<Address> links;
    std::string failure;
    const bool listed = reader.ListLinks(processHeap + layout.entry, kMaxWineHeaps, "list of heaps", links, failure);
    std::vector<Address> bases{processHeap};
    for (const Address link : links)
        bases.push_back(link - layout.entry);
    if (!listed)
        snapshot.brokenHeaps.push_back(
            {0, "Heaps after heap " + std::to_string(bases.size()) + " are left out: " + failure + "."});
    for (std::size_t i = 0; i < bases.size(); ++i) {
        WineHeap heap;
        if (reader.ReadHeap(bases[i], heap, failure)) {
            snapshot.heaps.push_back(std::move(heap));
            continue;
        }
        const std::string& spent = memory.spent();
        snapshot.brokenHeaps.push_back({bases[i], FormatText("Heap %zu at 0x%" PRIx64 " is left out: %s.", i + 1,
                                                             bases[i], (spent.empty() ? failure : spent).c_str())});
        if (!spent.empty()) {
            if (i + 1 < bases.size())
                snapshot.brokenHeaps.push_back(
                    {0, FormatText("Heaps after heap %zu are left out: %s.", i + 1, spent.c_str())});
            break;
        }
    }
    return snapshot;
}

} // namespace corvane
