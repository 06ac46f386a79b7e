#pragma once

// How the Wine versions this program knows lay out their heaps in a
// process's memory: where a heap header keeps its fields, how an 8-byte
// block header is packed, and, for the versions with a low-fragmentation
// front end, how a group of small blocks sits inside one busy block.

#include "heap/memory_view.h"

#include <cstdint>

namespace corvane {

// The heap generations: Wine 8.0's, and Wine 10.0's, which added a field to
// the heap header, repacked the block header and brought the front end.
enum class WineHeapVersion { Unknown, Wine8, Wine10 };

// The version's name as the user reads it ("Wine 8.0").
const char* WineHeapVersionName(WineHeapVersion version);

enum class WineBlockType { Used, Free, Large, Dead, Unknown };

// One block header, whatever version packed it.
struct WineBlockHeader {
    std::uint64_t units = 0;    // the block's size in block units; a free block's high bits included
    std::uint32_t tail = 0;     // a busy block's unused bytes at its end
    std::uint16_t position = 0; // a front-end block's index in its group
    WineBlockType type = WineBlockType::Unknown;
    std::uint32_t rawType = 0; // as stored, for messages
    bool free = false;         // the header's free flag
    bool frontEnd = false;     // the block belongs to the front end: a group, or a block in one
};

// Where a version keeps what is read, for pointers of P bytes.
struct WineLayout {
    WineHeapVersion version = WineHeapVersion::Unknown;
    unsigned pointerSize = 0;
    Address blockAlign = 0;  // BA: 2P, the unit of block sizes
    Address regionPad = 0;   // P * (P / 4): before a region's or large block's fields
    Address processHeap = 0; // in the process environment block
    // In a heap header.
    Address signature = 0, flags = 0, entry = 0, subheaps = 0, large = 0, magic = 0;

    static WineLayout Of(WineHeapVersion version, unsigned pointerSize);

    WineBlockHeader DecodeBlock(const unsigned char* header) const;

    // A region header and a large block's header: 4 * BA bytes each, the
    // last 8 of them the first block's header.
    Address RegionHeaderSize() const { return 4 * blockAlign; }
    Address RegionReservedField() const { return regionPad; }
    Address RegionCommittedField() const { return regionPad + pointerSize; }
    Address RegionLinkField() const { return regionPad + 2 * pointerSize; }
    Address LargeDataSizeField() const { return regionPad + 2 * pointerSize; }
    Address LargeVirtualSizeField() const { return regionPad + 3 * pointerSize; }

    // A group, from its start at the data of the busy block that holds it:
    // a list link, the free bits (bit i set: block i is free), an affinity,
    // then the first block's header at the next multiple of 8.
    bool HasFrontEnd() const { return version == WineHeapVersion::Wine10; }
    Address GroupLinkSize() const { return pointerSize == 8 ? 16 : 4; }
    Address GroupFreeBitsField() const { return GroupLinkSize(); }
    Address GroupFirstBlock() const { return (GroupLinkSize() + 8 + 7) / 8 * 8; }
};

constexpr std::uint32_t kWineHeapSignature = 0xFFEEFFEE;
constexpr std::uint32_t kWineHeapMagic = 0x50414548; // the bytes "HEAP"
constexpr Address kWineBlockHeaderSize = 8;
constexpr unsigned kWineGroupBlocks = 31;

} // namespace corvane
