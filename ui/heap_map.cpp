#include "ui/heap_map.h"

#include "ui/heap_rows.h"
#include "ui/heap_tools.h"

#include <algorithm>
#include <array>
#include <cstdio>

namespace corvane {
namespace {

std::uint64_t CeilDiv(std::uint64_t value, std::uint64_t by) { return value / by + (value % by != 0 ? 1 : 0); }

Address EndOf(const MapBlock& block) { return AddBytes(block.address, block.size); }

// The most bytes between a front-end group's blocks and the region's blocks
// around them that are the group's own bookkeeping (its header, and its
// container's) rather than a space between regions.
constexpr std::uint64_t kGroupBookkeepingMost = 4096;

// Whether `next` goes on the region that `previous` ends: it starts where
// that one ended, or a little after it where either belongs to a group.
bool Continues(const MapBlock& previous, const MapBlock& next) {
    const Address end = EndOf(previous);
    if (next.address == end) return true;
    return (previous.inGroup || next.inGroup) && next.address > end && next.address - end <= kGroupBookkeepingMost;
}

// Where the next region starts: the first block after `first` that does not
// go on from the one before it.
std::size_t RegionEnd(const std::vector<MapBlock>& blocks, std::size_t first) {
    std::size_t end = first + 1;
    while (end < blocks.size() && Continues(blocks[end - 1], blocks[end]))
        ++end;
    return end;
}

// The last block of [first, end) starting at or before `address`; the
// region's first block when none does.
std::size_t BlockHolding(const std::vector<MapBlock>& blocks, std::size_t first, std::size_t end, Address address) {
    const auto begin = blocks.begin() + static_cast<std::ptrdiff_t>(first);
    const auto past = std::upper_bound(begin, blocks.begin() + static_cast<std::ptrdiff_t>(end), address,
                                       [](Address a, const MapBlock& block) { return a < block.address; });
    return past == begin ? first : static_cast<std::size_t>(past - blocks.begin()) - 1;
}

} // namespace

std::vector<MapBlock> MapBlocks(const SnapshotHeap& heap) {
    std::vector<MapBlock> blocks;
    blocks.reserve(heap.blocks.size());
    // A group's free blocks stay free: the front end's busy blocks show where
    // it lies, and the free ones between them which of its room is free.
    for (const HeapBlockCursor& block : heap.blocks) {
        const MapKind busy = block.inFrontEndGroup ? MapKind::FrontEnd : MapKind::Busy;
        blocks.push_back({block.address, block.size, IsBusyBlock(block) ? busy : MapKind::Free, block.inFrontEndGroup});
    }
    // A group's own header is no block's: the region goes on across it (see
    // Continues), so a busy block before a group is the region's, not large.
    for (std::size_t first = 0; first < blocks.size();) {
        const std::size_t end = RegionEnd(blocks, first);
        if (end == first + 1 && blocks[first].kind == MapKind::Busy) blocks[first].kind = MapKind::Large;
        first = end;
    }
    return blocks;
}

std::vector<MapRegion> MapRegions(const std::vector<MapBlock>& blocks) {
    std::vector<MapRegion> regions;
    for (std::size_t first = 0; first < blocks.size();) {
        const std::size_t end = RegionEnd(blocks, first);
        regions.push_back({blocks[first].address, EndOf(blocks[end - 1]), first, end});
        first = end;
    }
    // The walk of another process may list its regions in any order.
    std::stable_sort(regions.begin(), regions.end(),
                     [](const MapRegion& a, const MapRegion& b) { return a.begin < b.begin; });
    return regions;
}

AddressRange WholeHeapRange(const std::vector<MapRegion>& regions) {
    if (regions.empty()) return {};
    AddressRange whole{regions.front().begin, regions.front().end};
    for (const MapRegion& region : regions)
        whole.end = std::max(whole.end, region.end);
    return whole;
}

HeapMapLayout::HeapMapLayout(const std::vector<MapBlock>& blocks, const std::vector<MapRegion>& regions, int width,
                             int height, AddressRange shown)
    : m_blocks(blocks), m_regions(regions), m_width(std::max(width, 0)), m_height(std::max(height, 0)) {
    if (m_width == 0 || m_height == 0) return;
    for (std::size_t i = 0; i < regions.size(); ++i) {
        const MapRegion& region = regions[i];
        const Address begin = std::max(region.begin, shown.begin);
        const Address end = std::min(region.end, shown.end);
        const bool empty = region.begin == region.end && region.begin >= shown.begin && region.begin < shown.end;
        if (begin < end || empty)
            m_bands.push_back({i, empty ? region.begin : begin, empty ? region.begin : end, 0, 0, 0});
    }
    if (m_bands.empty()) return;

    const std::uint64_t width64 = static_cast<std::uint64_t>(m_width);
    const std::uint64_t limit = static_cast<std::uint64_t>(m_height);
    // The rows every band and separator take at `perPixel`, stopping once
    // past the height.
    const auto rowsAt = [&](std::uint64_t perPixel) {
        std::uint64_t rows = m_bands.size() - 1;
        for (const MapBand& band : m_bands) {
            rows += std::max<std::uint64_t>(1, CeilDiv(CeilDiv(band.end - band.begin, perPixel), width64));
            if (rows > limit) break;
        }
        return rows;
    };
    std::uint64_t most = 1; // every band in one row from here on
    for (const MapBand& band : m_bands)
        most = std::max(most, CeilDiv(band.end - band.begin, width64));
    if (rowsAt(most) > limit) {
        m_bytesPerPixel = most;
    } else {
        std::uint64_t low = 1, high = most;
        while (low < high) {
            const std::uint64_t middle = low + (high - low) / 2;
            if (rowsAt(middle) <= limit)
                high = middle;
            else
                low = middle + 1;
        }
        m_bytesPerPixel = low;
    }

    std::uint64_t top = 0;
    for (MapBand& band : m_bands) {
        band.pixels = std::max<std::uint64_t>(1, CeilDiv(band.end - band.begin, m_bytesPerPixel));
        const std::uint64_t rows = CeilDiv(band.pixels, width64);
        // Bands past the bottom keep a top of the height: they are not shown.
        band.top = static_cast<int>(std::min(top, limit));
        band.rows = static_cast<int>(std::min(rows, limit));
        top += rows + 1;
    }
    m_complete = top - 1 <= limit;
}

PixelSpan HeapMapLayout::SpanInBand(const MapBand& band, std::size_t block) const {
    const MapBlock& b = m_blocks[block];
    const Address low = std::max(b.address, band.begin);
    const Address high = std::min(EndOf(b), band.end);
    const bool shown =
        b.size == 0 ? b.address >= band.begin && (b.address < band.end || band.begin == band.end) : low < high;
    if (!shown) return {};
    std::uint64_t first = (low - band.begin) / m_bytesPerPixel;
    std::uint64_t end = b.size == 0 ? first + 1 : CeilDiv(high - band.begin, m_bytesPerPixel);
    first = std::min(first, band.pixels - 1);
    end = std::min(std::max(end, first + 1), band.pixels);
    const std::uint64_t base = static_cast<std::uint64_t>(band.top) * static_cast<std::uint64_t>(m_width);
    return {base + first, base + end};
}

PixelSpan HeapMapLayout::BlockPixels(std::size_t block) const {
    for (const MapBand& band : m_bands) {
        const MapRegion& region = m_regions[band.region];
        if (block >= region.firstBlock && block < region.endBlock && band.top < m_height)
            return SpanInBand(band, block);
    }
    return {};
}

const MapBand* HeapMapLayout::BandAtRow(int y) const {
    if (y < 0 || y >= m_height) return nullptr;
    const auto after = std::upper_bound(m_bands.begin(), m_bands.end(), y,
                                        [](int row, const MapBand& band) { return row < band.top; });
    if (after == m_bands.begin()) return nullptr;
    const MapBand& band = *(after - 1);
    return y < band.top + band.rows ? &band : nullptr;
}

bool HeapMapLayout::AddressAt(int x, int y, Address& address) const {
    const MapBand* band = x >= 0 && x < m_width ? BandAtRow(y) : nullptr;
    if (band == nullptr) return false;
    const std::uint64_t pixel =
        static_cast<std::uint64_t>(y - band->top) * static_cast<std::uint64_t>(m_width) + static_cast<std::uint64_t>(x);
    if (pixel >= band->pixels) return false;
    address = band->begin + pixel * m_bytesPerPixel;
    return true;
}

std::size_t HeapMapLayout::BlockAt(int x, int y) const {
    Address address = 0;
    if (!AddressAt(x, y, address)) return kNoMapBlock;
    const MapBand& band = *BandAtRow(y);
    const MapRegion& region = m_regions[band.region];
    const std::size_t block = BlockHolding(m_blocks, region.firstBlock, region.endBlock, address);
    // A free block's pixel shows the busy block that starts inside it, as
    // the drawing does.
    const Address pixelEnd = AddBytes(address, m_bytesPerPixel);
    if (!InUse(m_blocks[block].kind) && block + 1 < region.endBlock && m_blocks[block + 1].address < pixelEnd &&
        InUse(m_blocks[block + 1].kind))
        return block + 1;
    return block;
}

bool HeapMapLayout::Draw(std::uint32_t* pixels, std::size_t count) const {
    const std::uint64_t width = static_cast<std::uint64_t>(m_width);
    const std::uint64_t all = width * static_cast<std::uint64_t>(m_height);
    if (pixels == nullptr || count < all) return false;
    std::fill(pixels, pixels + all, kMapBackground);
    const auto fill = [&](std::uint64_t first, std::uint64_t end, std::uint32_t colour) {
        end = std::min(end, all);
        if (first < end) std::fill(pixels + first, pixels + end, colour);
    };
    for (std::size_t i = 0; i < m_bands.size(); ++i) {
        const MapBand& band = m_bands[i];
        if (band.top >= m_height) break;
        if (i > 0 && band.top > 0)
            fill((static_cast<std::uint64_t>(band.top) - 1) * width, static_cast<std::uint64_t>(band.top) * width,
                 kMapSeparator);
        const MapRegion& region = m_regions[band.region];
        // Spans of blocks in address order overlap by at most one pixel:
        // the last one drawn, which keeps the first colour in use it got.
        std::uint64_t lastPixel = ~std::uint64_t{0};
        bool lastInUse = false;
        for (std::size_t block = BlockHolding(m_blocks, region.firstBlock, region.endBlock, band.begin);
             block < region.endBlock && (m_blocks[block].address < band.end || band.begin == band.end); ++block) {
            const PixelSpan span = SpanInBand(band, block);
            if (span.Empty()) continue;
            const MapKind kind = m_blocks[block].kind;
            const std::uint32_t colour = MapKindColour(kind);
            std::uint64_t first = span.first;
            if (first == lastPixel) {
                if (!lastInUse) fill(first, first + 1, colour);
                lastInUse = lastInUse || InUse(kind);
                ++first;
            }
            if (first < span.end) {
                fill(first, span.end, colour);
                lastInUse = InUse(kind);
            }
            lastPixel = span.end - 1;
        }
    }
    return true;
}

AddressRange ZoomHeapMap(AddressRange shown, AddressRange whole, Address pointer, int notches,
                         std::uint64_t leastBytes) {
    if (whole.end <= whole.begin) return whole;
    shown.begin = std::clamp(shown.begin, whole.begin, whole.end);
    shown.end = std::clamp(shown.end, shown.begin, whole.end);
    if (shown.end == shown.begin) shown = whole;
    pointer = std::clamp(pointer, shown.begin, shown.end);
    const std::uint64_t least = std::min(std::max<std::uint64_t>(leastBytes, 1), whole.Bytes());
    const std::uint64_t old = shown.Bytes();
    std::uint64_t bytes = old;
    for (int n = notches; n > 0 && bytes > least; --n)
        bytes = std::max(least, bytes / 2);
    for (int n = notches; n < 0 && bytes < whole.Bytes(); ++n)
        bytes = bytes > whole.Bytes() / 2 ? whole.Bytes() : bytes * 2;
    // The pointer's share of the way across stays the same.
    const long double share = static_cast<long double>(pointer - shown.begin) / static_cast<long double>(old);
    const std::uint64_t offset = std::min(bytes, static_cast<std::uint64_t>(share * static_cast<long double>(bytes)));
    Address begin = offset > pointer - whole.begin ? whole.begin : pointer - offset;
    if (begin > whole.end - bytes) begin = whole.end - bytes;
    return {begin, begin + bytes};
}

HeapMapFigures MapFigures(const std::vector<MapBlock>& blocks, const std::vector<MapRegion>& regions) {
    HeapMapFigures figures;
    for (const MapRegion& region : regions)
        figures.committedBytes = AddBytes(figures.committedBytes, region.end - region.begin);
    for (const MapBlock& block : blocks) {
        if (InUse(block.kind)) {
            figures.busyBytes = AddBytes(figures.busyBytes, block.size);
        } else {
            figures.freeBytes = AddBytes(figures.freeBytes, block.size);
            ++figures.freeBlocks;
            figures.largestFree = std::max(figures.largestFree, block.size);
        }
    }
    return figures;
}

std::string FragmentationText(const HeapMapFigures& figures) {
    double percent = 0.0;
    if (figures.freeBytes != 0)
        percent = 100.0 * (1.0 - static_cast<double>(figures.largestFree) / static_cast<double>(figures.freeBytes));
    char text[16];
    std::snprintf(text, sizeof text, "%.1f%%", std::clamp(percent, 0.0, 100.0));
    return text;
}

std::vector<MapFigureLine> MapFigureLines(const HeapMapFigures& figures) {
    const auto bytes = [](std::uint64_t value) { return GroupedDecimal(value) + (value == 1 ? " byte" : " bytes"); };
    return {
        {"Committed", bytes(figures.committedBytes)},
        {"Busy", bytes(figures.busyBytes)},
        {"Free", bytes(figures.freeBytes)},
        {"Free blocks", GroupedDecimal(figures.freeBlocks)},
        {"Largest free block", bytes(figures.largestFree)},
        {"Fragmentation", FragmentationText(figures)},
    };
}

namespace {
// Between the items of a line: wider than a word's space, so that each
// label and its value read as one.
constexpr const char* kItemGap = "   ";
} // namespace

std::string MapFiguresText(const HeapMapFigures& figures) {
    std::string text;
    for (const MapFigureLine& line : MapFigureLines(figures))
        text += (text.empty() ? "" : kItemGap) + std::string(line.label) + ": " + line.text;
    return text;
}

std::string MapBlockText(std::size_t index, const HeapBlockCursor& block, AddressWidth width) {
    HeapBlockRow row{};
    FormatHeapBlockRow(static_cast<std::uint32_t>(index), block, width, row);
    const std::array<const char*, BlockColumn::Count> cells = row.Cells();
    std::string text;
    for (const ListColumn& column : kBlockColumns)
        text += (text.empty() ? "" : kItemGap) + std::string(column.heading) + ": " +
                cells[static_cast<std::size_t>(column.column)];
    return text;
}

} // namespace corvane
