#include "heap/wine_heaps.h"

#include "heap/fields.h"

#include <algorithm>
#include <cinttypes>
#include <cstdarg>
#include <cstdio>
#include <unordered_set>

namespace corvane {

namespace {

constexpr std::uint32_t kHeapSignature = 0xFFEEFFEE;
constexpr std::uint32_t kHeapMagic = 0x50414548; // the bytes "HEAP"
constexpr std::uint16_t kTypeUsed = 0x5355;
constexpr std::uint16_t kTypeFree = 0x5246;
constexpr std::uint16_t kTypeLarge = 0x614C;
constexpr std::uint16_t kTypeDead = 0xDEAD;
constexpr std::uint8_t kFlagFree = 0x01;
constexpr Address kBlockHeaderSize = 8;
constexpr std::uint16_t kBusyEntry = 0x0001;
constexpr std::uint16_t kFreeEntry = kEntryFree;
// How often a region that changes while it is read is read again.
constexpr int kRegionReadAttempts = 4;

// Where Wine 8.0 keeps what is read, for pointers of P bytes.
struct WineLayout {
    unsigned pointerSize;
    Address blockAlign;                                      // BA: 2P
    Address regionPad;                                       // PAD: P * (P / 4)
    Address processHeap;                                     // in the PEB
    Address signature, flags, entry, subheaps, large, magic; // in a heap header
};

WineLayout LayoutFor(unsigned p) {
    if (p == 8) return {8, 16, 16, 0x30, 0x10, 0x70, 0x78, 0x88, 0x98, 0xB8};
    return {4, 8, 4, 0x18, 0x08, 0x40, 0x48, 0x50, 0x58, 0x68};
}

class WineHeapReader {
public:
    WineHeapReader(const MemoryView& memory, unsigned pointerSize)
        : m_memory(memory), m_layout(LayoutFor(pointerSize)),
          m_limit(pointerSize == 4 ? 0xFFFFFFFFull : ~std::uint64_t{0}) {}

    const WineLayout& layout() const { return m_layout; }

    bool Value(Address at, unsigned width, std::uint64_t& value) const {
        unsigned char bytes[8] = {};
        if (at > m_limit || !m_memory.Read(at, bytes, width)) return false;
        value = ReadField(bytes, width);
        return true;
    }
    bool Pointer(Address at, Address& value) const { return Value(at, m_layout.pointerSize, value); }

    // Whether a heap header lies at `base`: the two marks of Wine 8.0's.
    bool IsHeap(Address base) const {
        std::uint64_t signature = 0, magic = 0;
        return Value(base + m_layout.signature, 4, signature) && Value(base + m_layout.magic, 4, magic) &&
               signature == kHeapSignature && magic == kHeapMagic;
    }

    // The links of the circular list whose head is at `head`, in order, up to
    // `limit` of them. False, with what failed, when the list cannot be
    // followed to its head again.
    bool ListLinks(Address head, std::uint32_t limit, const char* what, std::vector<Address>& links,
                   std::string& failure) const {
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

    bool ReadHeap(Address base, OutsideHeap& heap, std::string& failure) const {
        if (!IsHeap(base)) return Fail(failure, "its header is not a heap's");
        std::uint64_t flags = 0;
        if (!Value(base + m_layout.flags, 4, flags)) return Fail(failure, "its flags cannot be read");
        heap.record.base = base;
        heap.record.flags = static_cast<std::uint32_t>(flags);
        heap.record.entryOverhead = static_cast<std::uint16_t>(kBlockHeaderSize);
        std::vector<Address> links;
        if (!ListLinks(base + m_layout.subheaps, kMaxHeapRegions, "list of regions", links, failure)) return false;
        for (const Address link : links)
            if (!ReadRegion(link - (m_layout.regionPad + 2 * m_layout.pointerSize), heap, failure)) return false;
        if (!ListLinks(base + m_layout.large, kMaxLargeBlocks, "list of large blocks", links, failure)) return false;
        for (const Address link : links)
            if (!ReadLargeBlock(link - m_layout.regionPad, heap, failure)) return false;
        heap.record.entryCount = static_cast<std::uint32_t>(heap.entries.size());
        return true;
    }

private:
    static bool Fail(std::string& failure, const char* format, ...) {
        va_list arguments;
        va_start(arguments, format);
        failure = FormatTextList(format, arguments);
        va_end(arguments);
        return false;
    }

    bool ReadRegion(Address region, OutsideHeap& heap, std::string& failure) const {
        const unsigned p = m_layout.pointerSize;
        const Address reservedAt = m_layout.regionPad, committedAt = m_layout.regionPad + p;
        const Address headerSize = 4 * m_layout.blockAlign;
        const Address first = region + headerSize - kBlockHeaderSize;
        // The region's header and its committed bytes are read in one piece,
        // so that the sizes and the blocks they describe belong together.
        // The process keeps running: when the region has grown since its size
        // was read, the piece is read again.
        std::vector<unsigned char> bytes;
        Address committed = 0;
        Address reserved = 0;
        for (int attempt = 1;; ++attempt) {
            const bool last = attempt == kRegionReadAttempts;
            if (!Pointer(region + committedAt, committed))
                return Fail(failure, "the region at 0x%" PRIx64 " cannot be read", region);
            if (committed > kMaxRegionBytes)
                return Fail(failure, "the region at 0x%" PRIx64 " claims %" PRIu64 " committed bytes", region,
                            committed);
            bytes.resize(static_cast<std::size_t>(headerSize + committed));
            if (!m_memory.Read(region, bytes.data(), bytes.size())) {
                if (last) return Fail(failure, "the region at 0x%" PRIx64 " cannot be read", region);
                continue; // it may have shrunk meanwhile
            }
            reserved = ReadField(bytes.data() + reservedAt, p);
            const Address now = ReadField(bytes.data() + committedAt, p);
            if (now <= committed) {
                committed = now;
                break;
            }
            if (last) return Fail(failure, "the region at 0x%" PRIx64 " keeps changing as it is read", region);
        }
        // The committed bytes lie within the region, which runs from the first
        // block header for `reserved` bytes.
        if (committed + kBlockHeaderSize > reserved)
            return Fail(failure, "the region at 0x%" PRIx64 " claims %" PRIu64 " committed bytes of %" PRIu64, region,
                        committed, reserved);
        const Address end = region + headerSize + committed;
        bytes.erase(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(headerSize - kBlockHeaderSize));

        heap.entries.push_back({committed, kEntrySegment, first});
        heap.record.bytesCommitted += end - region;
        const std::size_t length = bytes.size();
        std::size_t offset = 0;
        // The blocks follow each other to the committed end; what is left
        // there when it is too short for a block is no block.
        while (length - offset >= m_layout.blockAlign) {
            const Address header = first + offset;
            const unsigned char* h = bytes.data() + offset;
            const auto units = static_cast<std::uint64_t>(ReadField(h, 2));
            const std::uint8_t flags = h[2];
            const std::uint8_t extra = h[3];
            const auto type = static_cast<std::uint16_t>(ReadField(h + 6, 2));
            const bool free = (flags & kFlagFree) != 0;
            if (type != kTypeUsed && type != kTypeFree && type != kTypeDead)
                return Fail(failure, "the block at 0x%" PRIx64 " is of no known type (0x%04x)", header, type);
            if (free != (type != kTypeUsed))
                return Fail(failure, "the block at 0x%" PRIx64 " is marked both free and in use", header);
            const std::uint64_t size = (free ? units + (std::uint64_t{extra} << 16) : units) * m_layout.blockAlign;
            if (size == 0) return Fail(failure, "the block at 0x%" PRIx64 " has a size of 0", header);
            const bool last = size >= length - offset;
            // Only the free space at a region's end may reach past what is
            // committed: the region's uncommitted rest belongs to it.
            if (last && size != length - offset && !free)
                return Fail(failure, "the block at 0x%" PRIx64 " runs past the committed end at 0x%" PRIx64, header,
                            end);
            if (!free) {
                if (extra + kBlockHeaderSize > size)
                    return Fail(failure, "the block at 0x%" PRIx64 " has more unused bytes than it holds", header);
                heap.record.bytesAllocated += size - kBlockHeaderSize - extra;
            }
            const Address data = header + kBlockHeaderSize;
            heap.entries.push_back({std::min<std::uint64_t>(size, end - data), free ? kFreeEntry : kBusyEntry, 0});
            if (last) break;
            offset += static_cast<std::size_t>(size);
        }
        return true;
    }

    bool ReadLargeBlock(Address header, OutsideHeap& heap, std::string& failure) const {
        const unsigned p = m_layout.pointerSize;
        Address dataSize = 0, virtualSize = 0;
        std::uint64_t type = 0;
        const Address data = header + 4 * m_layout.blockAlign;
        if (!Pointer(header + m_layout.regionPad + 2 * p, dataSize) ||
            !Pointer(header + m_layout.regionPad + 3 * p, virtualSize) || !Value(data - kBlockHeaderSize + 6, 2, type))
            return Fail(failure, "the large block at 0x%" PRIx64 " cannot be read", header);
        if (type != kTypeLarge || dataSize == 0 || dataSize > virtualSize || !m_memory.IsReadable(data, 1))
            return Fail(failure, "the large block at 0x%" PRIx64 " is not laid out as one", header);
        heap.entries.push_back({dataSize, kEntrySegment, data - kBlockHeaderSize});
        heap.entries.push_back({dataSize, kBusyEntry, 0});
        heap.record.bytesCommitted += virtualSize;
        heap.record.bytesAllocated += dataSize;
        return true;
    }

    const MemoryView& m_memory;
    WineLayout m_layout;
    std::uint64_t m_limit;
};

} // namespace

OutsideSnapshot ReadWineHeaps(const MemoryView& memory, Address peb, unsigned pointerSize) {
    OutsideSnapshot snapshot;
    const WineHeapReader reader(memory, pointerSize);
    const WineLayout& layout = reader.layout();
    Address processHeap = 0;
    if (!reader.Pointer(peb + layout.processHeap, processHeap) || processHeap == 0) {
        snapshot.unreadable = "The heaps of this process cannot be read: its memory cannot be read.";
        return snapshot;
    }
    if (!reader.IsHeap(processHeap)) {
        snapshot.unreadable = "This system's heaps cannot be read.";
        return snapshot;
    }

    // The process heap, then every heap on its list of heaps, as far as the
    // list can be followed.
    std::vector<Address> links;
    std::string failure;
    const bool listed = reader.ListLinks(processHeap + layout.entry, kMaxOutsideHeaps, "list of heaps", links, failure);
    std::vector<Address> bases{processHeap};
    for (const Address link : links)
        bases.push_back(link - layout.entry);
    if (!listed)
        snapshot.brokenHeaps.push_back(
            {0, "Heaps after heap " + std::to_string(bases.size()) + " are left out: " + failure + "."});
    for (std::size_t i = 0; i < bases.size(); ++i) {
        OutsideHeap heap;
        if (reader.ReadHeap(bases[i], heap, failure))
            snapshot.heaps.push_back(std::move(heap));
        else
            snapshot.brokenHeaps.push_back(
                {bases[i], FormatText("Heap %zu at 0x%" PRIx64 " is left out: %s.", i + 1, bases[i], failure.c_str())});
    }
    return snapshot;
}

} // namespace corvane
