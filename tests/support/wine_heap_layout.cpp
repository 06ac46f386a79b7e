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

} // namespace

WineHeapFields WineHeapFields::Of(unsigned p) {
    if (p == 8) return {8, 0x10, 0xB8, 0x78, 0x88, 0x98, 0x30};
    return {4, 0x08, 0x68, 0x48, 0x50, 0x58, 0x18};
}

WineHeapAddresses LayWineHeaps(SyntheticMemory& memory, unsigned p, const std::vector<WineHeapPlan>& heaps) {
    const WineHeapFields fields = WineHeapFields::Of(p);
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

        std::vector<Address> regions, links, firsts, larges;
        for (std::size_t r = 0; r < plan.regions.size(); ++r) {
            const WineRegionPlan& region = plan.regions[r];
            std::uint64_t blocks = 0;
            for (const WineBlockPlan& block : region.blocks)
                blocks += block.size;
            const std::uint64_t committed = region.committed ? region.committed : blocks - 8;
            const Address start = base + 0x00100000 * (r + 1);
            memory.Map(start, static_cast<std::size_t>(regionHeader + committed));
            memory.PutLittleEndian(start + pad, blocks + 0x10000, p); // reserved beyond the blocks
            memory.PutLittleEndian(start + pad + p, committed, p);
            Address header = start + regionHeader - 8;
            firsts.push_back(header);
            for (const WineBlockPlan& block : region.blocks) {
                const std::uint64_t units = block.size / ba;
                if (header + 8 > start + regionHeader + committed) break; // a block that starts past the end
                memory.Put16(header, static_cast<std::uint16_t>(units));
                memory.Put(header + 2, block.free ? "\x01" : "\x00", 1);
                const auto third = static_cast<std::uint8_t>(block.free ? units >> 16 : block.unusedTail);
                memory.Put(header + 3, &third, 1);
                memory.Put16(header + 6, block.free ? 0x5246 : 0x5355);
                header += block.size;
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
            memory.Put16(header + regionHeader - 8 + 2, 0x0004);
            memory.Put16(header + regionHeader - 8 + 6, 0x614C);
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
    }
    if (!heaps.empty()) {
        memory.PutLittleEndian(at.peb + fields.processHeapInPeb, at.heaps[0], p);
        LinkList(memory, p, at.heaps[0] + fields.entry, entryLinks);
    }
    return at;
}

} // namespace corvane::testing
