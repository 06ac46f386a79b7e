#include "heap/wine_heap_layout.h"

#include "heap/fields.h"

namespace corvane {

namespace {

constexpr std::uint8_t kFlagFree = 0x01;

// Wine 8.0: the size, a flags byte, a byte that is a busy block's tail or a
// free block's size bits 16 to 23, the region offset, then a 16-bit type.
WineBlockHeader DecodeWine8(const unsigned char* h) {
    WineBlockHeader header;
    header.free = (h[2] & kFlagFree) != 0;
    header.units = ReadField(h, 2) + (header.free ? std::uint64_t{h[3]} << 16 : 0);
    header.tail = header.free ? 0 : h[3];
    header.position = static_cast<std::uint16_t>(ReadField(h + 4, 2));
    header.rawType = static_cast<std::uint32_t>(ReadField(h + 6, 2));
    switch (header.rawType) {
    case 0x5355: header.type = WineBlockType::Used; break;
    case 0x5246: header.type = WineBlockType::Free; break;
    case 0x614C: header.type = WineBlockType::Large; break;
    case 0xDEAD: header.type = WineBlockType::Dead; break;
    default: header.type = WineBlockType::Unknown; break;
    }
    return header;
}

// Wine 10.0: the size, a 16-bit busy block's tail or free block's high size
// bits, the region offset or index in a group, a one-byte type, then the
// flags, 0x80 of them marking the front end's blocks.
WineBlockHeader DecodeWine10(const unsigned char* h) {
    constexpr std::uint8_t kFlagFrontEnd = 0x80;
    WineBlockHeader header;
    const std::uint8_t flags = h[7];
    const std::uint64_t second = ReadField(h + 2, 2);
    header.free = (flags & kFlagFree) != 0;
    header.frontEnd = (flags & kFlagFrontEnd) != 0;
    header.units = ReadField(h, 2) + (header.free ? second << 16 : 0);
    header.tail = header.free ? 0 : static_cast<std::uint32_t>(second);
    header.position = static_cast<std::uint16_t>(ReadField(h + 4, 2));
    header.rawType = h[6];
    switch (header.rawType) {
    case 'u': header.type = WineBlockType::Used; break;
    case 'F': header.type = WineBlockType::Free; break;
    case 'L': header.type = WineBlockType::Large; break;
    case 'D': header.type = WineBlockType::Dead; break;
    default: header.type = WineBlockType::Unknown; break;
    }
    return header;
}

} // namespace

const char* WineHeapVersionName(WineHeapVersion version) {
    switch (version) {
    case WineHeapVersion::Wine8: return "Wine 8.0";
    case WineHeapVersion::Wine10: return "Wine 10.0";
    case WineHeapVersion::Unknown: break;
    }
    return "an unknown system";
}

WineLayout WineLayout::Of(WineHeapVersion version, unsigned p) {
    WineLayout layout;
    layout.version = version;
    layout.pointerSize = p == 8 ? 8 : 4;
    layout.blockAlign = 2 * layout.pointerSize;
    layout.regionPad = layout.pointerSize * (layout.pointerSize / 4);
    layout.processHeap = p == 8 ? 0x30 : 0x18;
    layout.signature = p == 8 ? 0x10 : 0x08;
    layout.flags = p == 8 ? 0x70 : 0x40;
    // Wine 10.0 keeps its compatibility information right after the force
    // flags, which moves every field after it.
    const bool ten = version == WineHeapVersion::Wine10;
    if (p == 8) {
        layout.entry = ten ? 0x80 : 0x78;
        layout.subheaps = ten ? 0x90 : 0x88;
        layout.large = ten ? 0xA0 : 0x98;
        layout.magic = ten ? 0xC0 : 0xB8;
    } else {
        layout.entry = ten ? 0x4C : 0x48;
        layout.subheaps = ten ? 0x54 : 0x50;
        layout.large = ten ? 0x5C : 0x58;
        layout.magic = ten ? 0x6C : 0x68;
    }
    return layout;
}

WineBlockHeader WineLayout::DecodeBlock(const unsigned char* header) const {
    return version == WineHeapVersion::Wine10 ? DecodeWine10(header) : DecodeWine8(header);
}

} // namespace corvane
