#include "tests/support/wine_heap_layout.h"

namespace corvane::testing {

namespace {

constexpr std::uint32_t kSignature = 0xFFEEFFEE;
constexpr std::uint32_t kMagic = 0x50414548;

// Links the items into a circular list behind the head: next, then prev.
void LinkList(SyntheticMemory& memory, unsigned p, Address head, const std::vector<Address>& items) {
    std::vector<Address> ring{head};
    ring.insert(ring.end(), items.begin(), items.end());
    for (std::size_t i = 0; i < ring.size(); ++i) {
        memory.PutLittleEndian(ring[i], ring[(i + 1) % ring.size()], p);
        memory.PutLittleEndian(ring[i] + p, ring[(i + ring.size() - 1) % ring.size()], p);
    }
}

// One block header: Wine 8.0 packs size, flags, tail or high size bits,
// region offset and a 16-bit type; Wine 10.0 size, a 16-bit tail or high
// size bits, region offset or index in a group, a one-byte type and flags.
enum class Kind { Used, Free, Large };
void PutBlockHeader(SyntheticMemory& memory, WineHeapVersion version, Address at, std::uint64_t units, Kind kind,
                    std::uint32_t tail, std::uint16_t position = 0, bool frontEnd = false) {
    const bool free = kind == Kind::Free;
    memory.Put16(at, static_cast<std::uint16_t>(units));
    memory.Put16(at + 4, position);
    std::uint8_t flags = free ? 0x01 : kind == Kind::Large ? 0x04 : 0x00;
    if (version == WineHeapVersion::Wine10) {
        memory.Put16(at + 2, static_cast<std::uint16_t>(free ? units >> 16 : tail));
        const std::uint8_t type = free ? 'F' : kind == Kind::Large ? 'L' : 'u';
        if (frontEnd) flags |= 0x80;
        memory.Put(at + 6, &type, 1);
        memory.Put(at + 7, &flags, 1);
    } else {
        const auto third = static_cast<std::uint8_t>(free ? units >> 16 : tail);
        memory.Put(at + 2, &flags, 1);
        memory.Put(at + 3, &third, 1);
        memory.Put16(at + 6, free ? 0x5246 : kind == Kind::Large ? 0x614C : 0x5355);
    }
}

} // namespace

std::uint64_t WineGroupFreeBits(unsigned p) { return p == 8 ? 16 : 4; }
std::uint64_t WineGroupFirstBlock(unsigned p) { return p == 8 ? 0x18 : 0x10; }

std::uint64_t WineGroupBlockSize(unsigned p, std::uint64_t stride) {
    const std::uint64_t ba = 2 * p;
    return (8 + WineGroupFirstBlock(p) + 31 * stride + ba - 1) / ba * ba;
}

WineHeapFields WineHeapFields::Of(unsigned p, WineHeapVersion version) {
    if (version == WineHeapVersion::Wine10) {
        if (p == 8) return {8, 0x10, 0xC0, 0x80, 0x90, 0xA0, 0x30};
        return {4, 0x08, 0x6C, 0x4C, 0x54, 0x5C, 0x18};
    }
    if (p == 8) return {8, 0x10, 0xB8, 0x78, 0x88, 0x98, 0x30};
    return {4, 0x08, 0x68, 0x48, 0x50, 0x58, 0x18};
}

WineHeapAddresses LayWineHeaps(SyntheticMemory& memory, unsigned p, const std::vector<WineHeapPlan>& heaps,
                               WineHeapVersion version) {
    const WineHeapFields fields = WineHeapFields::Of(p, version);
    const Address ba = 2 * p, pad = p * (p / 4), regionHeader = 4 * ba;
    WineHeapAddresses at;
    at.peb = 0x7000;
    memory.Map(at.peb, 0x100);
    std::vector<Address> entryLinks;
    for (std::size_t h = 0; h < heaps.size(); ++h) {
        const WineHeapPlan& plan = heaps[h];
        const Address base = 0x10000000 + h * 0x01000000;
        at.heaps.push_back(base);
        memory.Map(base, 0x200);
        memory.Put32(base + fields.signature, kSignature);
        memory.Put32(base + fields.magic, kMagic);
        memory.Put32(base + (p == 8 ? 0x70 : 0x40), plan.flags);
        if (h > 0) entryLinks.push_back(base + fields.entry);

        std::vector<Address> regions, links, firsts, larges, groups;
        for (std::size_t r = 0; r < plan.regions.size(); ++r) {
            const WineRegionPlan& region = plan.regions[r];
            auto sizeOf = [&](const WineBlockPlan& block) {
                return block.groupStride ? WineGroupBlockSize(p, block.groupStride) : block.size;
            };
            std::uint64_t blocks = 0;
            for (const WineBlockPlan& block : region.blocks)
                blocks += sizeOf(block);
            const std::uint64_t committed = region.committed ? region.committed : blocks - 8;
            const Address start = base + 0x00100000 * (r + 1);
            memory.Map(start, static_cast<std::size_t>(regionHeader + committed));
            memory.PutLittleEndian(start + pad, blocks + 0x10000, p); // reserved beyond the blocks
            memory.PutLittleEndian(start + pad + p, committed, p);
            Address header = start + regionHeader - 8;
            firsts.push_back(header);
            for (const WineBlockPlan& block : region.blocks) {
                if (header + 8 > start + regionHeader + committed) break; // a block that starts past the end
                const std::uint64_t size = sizeOf(block);
                PutBlockHeader(memory, version, header, size / ba, block.free ? Kind::Free : Kind::Used,
                               block.unusedTail, 0, block.groupStride != 0);
                if (block.groupStride) {
                    // The group: a list link, the free bits (with the group's
                    // own flag in bit 31), an affinity, then its 31 blocks.
                    const Address group = header + 8;
                    memory.Put32(group + WineGroupFreeBits(p), block.groupFree | 0x80000000u);
                    for (std::uint16_t i = 0; i < 31; ++i) {
                        const bool free = (block.groupFree >> i & 1) != 0;
                        PutBlockHeader(memory, version, group + WineGroupFirstBlock(p) + i * block.groupStride,
                                       block.groupStride / ba, free ? Kind::Free : Kind::Used, 0, i, true);
                    }
                    groups.push_back(group);
                }
                header += size;
            }
            regions.push_back(start);
            links.push_back(start + pad + 2 * p);
        }
        LinkList(memory, p, base + fields.subheaps, links);
        for (std::size_t l = 0; l < plan.largeBlocks.size(); ++l) {
            const Address header = base + 0x00800000 + l * 0x00200000;
            const std::uint64_t data = plan.largeBlocks[l];
            memory.Map(header, static_cast<std::size_t>(regionHeader + data));
            memory.PutLittleEndian(header + pad + 2 * p, data, p);
            memory.PutLittleEndian(header + pad + 3 * p, regionHeader + data, p);
            PutBlockHeader(memory, version, header + regionHeader - 8, 0, Kind::Large, 0);
            larges.push_back(header);
        }
        std::vector<Address> largeLinks;
        for (const Address header : larges)
            largeLinks.push_back(header + pad);
        LinkList(memory, p, base + fields.large, largeLinks);
        at.regions.push_back(regions);
        at.regionLinks.push_back(links);
        at.firstBlocks.push_back(firsts);
        at.largeHeaders.push_back(larges);
        at.groups.push_back(groups);
    }
    if (!heaps.empty()) {
        memory.PutLittleEndian(at.peb + fields.processHeapInPeb, at.heaps[0], p);
        LinkList(memory, p, at.heaps[0] + fields.entry, entryLinks);
    }
    return at;
}

} // namespace corvane::testing
