#pragma once

// The heap map: one heap's regions drawn as bands of rows in a pixel
// rectangle, its blocks as coloured spans, with the hit test under the
// pointer, the zoom of the wheel and the figures shown above the map.
//
// Every row of every band covers the same bytes: a whole number of bytes per
// pixel times the width. That makes a byte's place a plain division (the
// byte at offset o of a band is its pixel o / bytesPerPixel, counted row by
// row), so the drawing, the hit test and a block's span agree exactly.

#include "heap/heap_snapshot.h"

#include <cstddef>
#include <cstdint>
#include <iterator>
#include <string>
#include <vector>

namespace corvane {

enum class MapKind : std::uint8_t { Busy, Free, Large, FrontEnd, Count };

// Kinds other than free hold bytes in use.
inline bool InUse(MapKind kind) { return kind != MapKind::Free; }

struct MapBlock {
    Address address = 0;
    std::uint64_t size = 0;
    MapKind kind = MapKind::Busy;
    bool inGroup = false; // one of a front-end group's blocks, busy or free
};

// The heap's blocks in walk order (so an index is the block list's index):
// free or busy, front end for a busy block inside a front-end group (a free
// one there stays free), and large for a busy block alone in its region.
std::vector<MapBlock> MapBlocks(const SnapshotHeap& heap);

// A run of blocks each starting where the one before ended. Blocks
// [firstBlock, endBlock) of the walk order lie in it; end saturates at the
// top of the address space.
struct MapRegion {
    Address begin = 0;
    Address end = 0;
    std::size_t firstBlock = 0;
    std::size_t endBlock = 0;
};
// The regions, in address order.
std::vector<MapRegion> MapRegions(const std::vector<MapBlock>& blocks);

// Addresses [begin, end).
struct AddressRange {
    Address begin = 0;
    Address end = 0;
    std::uint64_t Bytes() const { return end - begin; }
};
// From the first region's start to the last one's end.
AddressRange WholeHeapRange(const std::vector<MapRegion>& regions);

// The shown part of one region: rows [top, top + rows) of the map, its
// first pixel showing byte `begin`.
struct MapBand {
    std::size_t region = 0; // index into the regions
    Address begin = 0;
    Address end = 0;
    int top = 0;
    int rows = 0;
    std::uint64_t pixels = 0; // pixels in use, counted row by row from the band's first
};

// Pixels [first, end) of the map, counted row by row from its top left
// (pixel y * width + x); a span longer than a row's rest wraps to the next.
struct PixelSpan {
    std::uint64_t first = 0;
    std::uint64_t end = 0;
    bool Empty() const { return first == end; }
};

constexpr std::size_t kNoMapBlock = static_cast<std::size_t>(-1);

// Where every shown region and block lies in a rectangle of width x height
// pixels. Each shown region gets a band of at least one row, so a 4 KiB
// region beside a 1 GiB one stays visible as a row of its own; bands are
// kept apart by a separator row. The bytes per pixel are the fewest that
// let every band fit; when even one row a region does not fit, the bands
// below the rectangle are cut off and `complete` is false (zooming in shows
// them).
class HeapMapLayout {
public:
    // Keeps references to the blocks and regions: they must outlive the layout.
    HeapMapLayout(const std::vector<MapBlock>& blocks, const std::vector<MapRegion>& regions, int width, int height,
                  AddressRange shown);

    int width() const { return m_width; }
    int height() const { return m_height; }
    std::uint64_t bytesPerPixel() const { return m_bytesPerPixel; }
    std::uint64_t bytesPerRow() const { return m_bytesPerPixel * static_cast<std::uint64_t>(m_width); }
    const std::vector<MapBand>& bands() const { return m_bands; }
    bool complete() const { return m_complete; }

    // The pixels of block i within the map (empty when it is not shown).
    PixelSpan BlockPixels(std::size_t block) const;
    // The first address the pixel shows, or false off the bands.
    bool AddressAt(int x, int y, Address& address) const;
    // The block under the pixel, or kNoMapBlock. Where a pixel holds several
    // blocks it is the block its colour comes from (see DrawHeapMap), found
    // by binary search.
    std::size_t BlockAt(int x, int y) const;

    // Draws the map into width x height pixels, top-down rows, 0x00RRGGBB.
    // A pixel shows the first block in use among the blocks it holds, and
    // free only when it holds nothing in use: one busy byte is enough to see.
    // False (nothing drawn) when the buffer is too small.
    bool Draw(std::uint32_t* pixels, std::size_t count) const;

private:
    const MapBand* BandAtRow(int y) const;
    PixelSpan SpanInBand(const MapBand& band, std::size_t block) const;

    const std::vector<MapBlock>& m_blocks;
    const std::vector<MapRegion>& m_regions;
    int m_width = 0;
    int m_height = 0;
    std::uint64_t m_bytesPerPixel = 1;
    std::vector<MapBand> m_bands;
    bool m_complete = true;
};

// The map's colours, 0x00RRGGBB.
constexpr std::uint32_t kMapBackground = 0x00FFFFFF;
constexpr std::uint32_t kMapSeparator = 0x00808080;
constexpr std::uint32_t kMapKindColours[] = {
    0x002F6FC0, // busy
    0x00A8DCA8, // free
    0x00D07020, // large
    0x008E44AD, // front end
};
static_assert(std::size(kMapKindColours) == static_cast<std::size_t>(MapKind::Count), "one colour per kind");
inline std::uint32_t MapKindColour(MapKind kind) { return kMapKindColours[static_cast<std::size_t>(kind)]; }

// The legend beside the map: one entry per kind.
struct MapLegendEntry {
    const char* text;
    std::uint32_t colour;
};
constexpr MapLegendEntry kMapLegend[] = {
    {"Busy", kMapKindColours[0]},
    {"Free", kMapKindColours[1]},
    {"Large block", kMapKindColours[2]},
    {"Front end", kMapKindColours[3]},
};
static_assert(std::size(kMapLegend) == static_cast<std::size_t>(MapKind::Count), "one entry per kind");

// The range after `notches` of the wheel at `pointer`: each notch in (> 0)
// halves the range, each notch out (< 0) doubles it, keeping the pointer's
// address where it was on screen. The range stays inside the whole heap and
// no smaller than `leastBytes` (the map's width gives one byte per pixel).
AddressRange ZoomHeapMap(AddressRange shown, AddressRange whole, Address pointer, int notches,
                         std::uint64_t leastBytes);

// The figures over the map.
struct HeapMapFigures {
    std::uint64_t committedBytes = 0; // the regions' spans
    std::uint64_t busyBytes = 0;
    std::uint64_t freeBytes = 0;
    std::uint64_t freeBlocks = 0;
    std::uint64_t largestFree = 0;
};
HeapMapFigures MapFigures(const std::vector<MapBlock>& blocks, const std::vector<MapRegion>& regions);

// 1 - largest free block / all free bytes, as "37.5%"; "0.0%" with nothing free.
std::string FragmentationText(const HeapMapFigures& figures);

// The figures as label and text, numbers with their thousands grouped.
struct MapFigureLine {
    const char* label;
    std::string text;
};
std::vector<MapFigureLine> MapFigureLines(const HeapMapFigures& figures);
// The figures in one line, "Committed: 4,096 bytes   Busy: ...".
std::string MapFiguresText(const HeapMapFigures& figures);

// The block list's row of block `index` (of the walk order, as the list
// numbers it) with each cell after its heading: "Heap Block Index: 3   Block
// Address: 0x...   ...".
std::string MapBlockText(std::size_t index, const HeapBlockCursor& block, AddressWidth width);

} // namespace corvane
