#include "ui/heap_map.h"

#include <gtest/gtest.h>

namespace corvane {
namespace {

// Blocks laid one after another from `base`; a size of 0 starts a new region
// 0x10000 bytes further on.
struct Heap {
    std::vector<MapBlock> blocks;
    std::vector<MapRegion> regions;
    Heap(Address base, std::initializer_list<std::pair<std::uint64_t, MapKind>> sizes) {
        Address at = base;
        for (const auto& [size, kind] : sizes) {
            if (size == 0) {
                at += 0x10000;
                continue;
            }
            blocks.push_back({at, size, kind});
            at += size;
        }
        regions = MapRegions(blocks);
    }
    HeapMapLayout Layout(int width, int height) const {
        return HeapMapLayout(blocks, regions, width, height, WholeHeapRange(regions));
    }
};
constexpr MapKind B = MapKind::Busy, F = MapKind::Free;

std::vector<std::uint32_t> Drawn(const HeapMapLayout& layout) {
    std::vector<std::uint32_t> pixels(static_cast<std::size_t>(layout.width() * layout.height()));
    EXPECT_TRUE(layout.Draw(pixels.data(), pixels.size()));
    return pixels;
}

TEST(HeapMap, BlocksAreFreeOrBusyAndALoneBusyBlockIsLarge) {
    SnapshotHeap heap;
    heap.blocks = {{0x1000, 0x20, BlockKind::Fixed, false, 0},
                   {0x1020, 0x20, BlockKind::Free, false, 0},
                   {0x9000, 0x800, BlockKind::None, false, 0},
                   {0x20000, 0x10, BlockKind::Free, false, 0}};
    const std::vector<MapBlock> blocks = MapBlocks(heap);
    ASSERT_EQ(blocks.size(), 4u);
    EXPECT_EQ(blocks[0].kind, MapKind::Busy);
    EXPECT_EQ(blocks[1].kind, MapKind::Free);
    EXPECT_EQ(blocks[2].kind, MapKind::Large);
    EXPECT_EQ(blocks[3].kind, MapKind::Free); // alone but free
    EXPECT_EQ(MapRegions(blocks).size(), 3u);
}

TEST(HeapMap, AGroupsBusyBlocksAreFrontEndItsFreeOnesFreeAndTheBlockBeforeItNoLargeBlock) {
    // A region's busy block, then a group (its header is no block's, so its
    // blocks start a run of their own) with a busy and a free block, then
    // the region's free rest.
    SnapshotHeap heap;
    heap.blocks = {{0x1000, 0x20, BlockKind::Fixed, false, 0},
                   {0x1040, 0x20, BlockKind::Fixed, true, 0},
                   {0x1060, 0x20, BlockKind::Free, true, 0},
                   {0x1080, 0x100, BlockKind::Free, false, 0}};
    const std::vector<MapBlock> blocks = MapBlocks(heap);
    ASSERT_EQ(blocks.size(), 4u);
    EXPECT_EQ(blocks[0].kind, MapKind::Busy);
    EXPECT_EQ(blocks[1].kind, MapKind::FrontEnd);
    EXPECT_EQ(blocks[2].kind, MapKind::Free);
    EXPECT_EQ(blocks[3].kind, MapKind::Free);
    // The group's header does not split its region: one band, not three.
    const std::vector<MapRegion> regions = MapRegions(blocks);
    ASSERT_EQ(regions.size(), 1u);
    EXPECT_EQ(regions[0].end, 0x1180u);
    // A region far away is one of its own, group or none.
    heap.blocks.push_back({0x900000, 0x20, BlockKind::Fixed, true, 0});
    EXPECT_EQ(MapRegions(MapBlocks(heap)).size(), 2u);
}

TEST(HeapMap, SpansAreProportionalWithAtLeastOnePixel) {
    const Heap heap(0x1000, {{505, F}, {1, B}, {494, F}});
    const HeapMapLayout layout = heap.Layout(100, 1);
    EXPECT_EQ(layout.bytesPerPixel(), 10u);
    EXPECT_EQ(layout.BlockPixels(0).first, 0u);
    EXPECT_EQ(layout.BlockPixels(0).end, 51u);
    EXPECT_EQ(layout.BlockPixels(1).first, 50u);
    EXPECT_EQ(layout.BlockPixels(1).end, 51u);
    EXPECT_EQ(layout.BlockPixels(2).first, 50u);
    EXPECT_EQ(layout.BlockPixels(2).end, 100u);
    // The pixel the tiny busy block shares with the free ones shows it, and
    // the pointer over it finds it.
    EXPECT_EQ(Drawn(layout)[50], MapKindColour(MapKind::Busy));
    EXPECT_EQ(layout.BlockAt(50, 0), 1u);
}

TEST(HeapMap, EachRegionIsABandAndASmallRegionBesideAHugeOneKeepsARow) {
    const Heap heap(0x10000000, {{0x40000000, MapKind::Large}, {0, B}, {0x1000, MapKind::Large}});
    const HeapMapLayout layout = heap.Layout(100, 10);
    // The fewest bytes per pixel that fit 8 rows of 1 GiB, a separator and a row.
    EXPECT_EQ(layout.bytesPerPixel(), 1342178u);
    ASSERT_EQ(layout.bands().size(), 2u);
    EXPECT_EQ(layout.bands()[0].rows, 8);
    EXPECT_EQ(layout.bands()[1].top, 9);
    EXPECT_TRUE(layout.complete());
    const std::vector<std::uint32_t> pixels = Drawn(layout);
    for (int x = 0; x < 100; ++x)
        ASSERT_EQ(pixels[static_cast<std::size_t>(8 * 100 + x)], kMapSeparator) << x;
    EXPECT_EQ(pixels[9 * 100], MapKindColour(MapKind::Large));
    EXPECT_EQ(pixels[9 * 100 + 1], kMapBackground);
    EXPECT_EQ(layout.BlockAt(50, 8), kNoMapBlock);
}

TEST(HeapMap, ABlockLongerThanARowsRestWrapsAndKeepsItsColours) {
    const Heap heap(0x1000, {{15, B}, {10, F}, {12, B}});
    const HeapMapLayout layout = heap.Layout(10, 4);
    ASSERT_EQ(layout.bytesPerPixel(), 1u);
    EXPECT_EQ(layout.BlockPixels(1).first, 15u);
    EXPECT_EQ(layout.BlockPixels(1).end, 25u);
    const std::vector<std::uint32_t> pixels = Drawn(layout);
    EXPECT_EQ(pixels[1 * 10 + 4], MapKindColour(MapKind::Busy));
    EXPECT_EQ(pixels[1 * 10 + 5], MapKindColour(MapKind::Free));
    EXPECT_EQ(pixels[2 * 10 + 4], MapKindColour(MapKind::Free));
    EXPECT_EQ(pixels[2 * 10 + 5], MapKindColour(MapKind::Busy));
    EXPECT_EQ(pixels[3 * 10 + 9], kMapBackground);
}

TEST(HeapMap, TheHitTestAgreesWithTheSpansAtEveryBlockEdgeInBothWidths) {
    for (const Address base : {Address{0x00150000}, Address{0x7FF612340000}}) {
        const Heap exact(base, {{0x20, B}, {0x18, F}, {0x100, B}, {0x8, B}, {0, B}, {0x40, F}, {0x10, B}});
        const HeapMapLayout one = exact.Layout(64, 40);
        ASSERT_EQ(one.bytesPerPixel(), 1u);
        for (std::size_t i = 0; i < exact.blocks.size(); ++i) {
            const PixelSpan span = one.BlockPixels(i);
            for (const std::uint64_t pixel : {span.first, span.end - 1})
                EXPECT_EQ(one.BlockAt(static_cast<int>(pixel % 64), static_cast<int>(pixel / 64)), i) << base << i;
        }
        // With many bytes a pixel, the block under an edge pixel spans it.
        const Heap packed(base, {{7, B}, {300, F}, {3, B}, {1, F}, {90, B}, {0, B}, {20, F}, {5, B}, {400, B}});
        const HeapMapLayout coarse = packed.Layout(20, 4);
        ASSERT_GT(coarse.bytesPerPixel(), 1u);
        for (std::size_t i = 0; i < packed.blocks.size(); ++i) {
            const PixelSpan span = coarse.BlockPixels(i);
            for (const std::uint64_t pixel : {span.first, span.end - 1}) {
                const std::size_t hit = coarse.BlockAt(static_cast<int>(pixel % 20), static_cast<int>(pixel / 20));
                ASSERT_NE(hit, kNoMapBlock);
                EXPECT_LE(coarse.BlockPixels(hit).first, pixel) << base << i;
                EXPECT_GT(coarse.BlockPixels(hit).end, pixel) << base << i;
            }
        }
    }
}

TEST(HeapMap, ZoomHalvesAroundThePointerAndStaysInsideTheHeap) {
    const AddressRange whole{0x7FF600000000, 0x7FF600100000};
    const Address pointer = whole.begin + 0x40000;
    const AddressRange in = ZoomHeapMap(whole, whole, pointer, 1, 1000);
    EXPECT_EQ(in.Bytes(), 0x80000u);
    EXPECT_EQ(in.begin, pointer - 0x20000); // the pointer a quarter of the way, as before
    EXPECT_EQ(ZoomHeapMap(whole, whole, pointer, 40, 1000).Bytes(), 1000u);
    // Growing out at the last bytes keeps the range's end at the heap's end.
    const AddressRange atEnd = ZoomHeapMap({whole.end - 0x1000, whole.end}, whole, whole.end - 0x1000, -1, 1000);
    EXPECT_EQ(atEnd.end, whole.end);
    EXPECT_EQ(atEnd.Bytes(), 0x2000u);
    const AddressRange out = ZoomHeapMap({whole.begin, whole.begin + 0x3000}, whole, whole.begin, -40, 1000);
    EXPECT_EQ(out.begin, whole.begin);
    EXPECT_EQ(out.end, whole.end);
}

TEST(HeapMap, FiguresGroupThousandsAndFragmentationComparesTheLargestFreeBlock) {
    const Heap heap(0x1000, {{1000, F}, {2000000, B}, {3000, F}});
    const HeapMapFigures figures = MapFigures(heap.blocks, heap.regions);
    const std::vector<MapFigureLine> lines = MapFigureLines(figures);
    EXPECT_EQ(lines[0].text, "2,004,000 bytes");
    EXPECT_EQ(lines[3].text, "2");
    EXPECT_EQ(lines[4].text, "3,000 bytes");
    EXPECT_EQ(lines[5].text, "25.0%");
    EXPECT_EQ(FragmentationText(HeapMapFigures{}), "0.0%");
    EXPECT_EQ(MapFiguresText(figures), "Committed: 2,004,000 bytes   Busy: 2,000,000 bytes   Free: 4,000 bytes   "
                                       "Free blocks: 2   Largest free block: 3,000 bytes   Fragmentation: 25.0%");
}

TEST(HeapMap, ABlocksTextIsItsBlockListRowUnderTheColumnHeadings) {
    const HeapBlockCursor block{0x12340, 0x30, BlockKind::Free, false, 7};
    EXPECT_EQ(MapBlockText(4, block, AddressWidth::Bits32),
              "Heap Block Index: 5   Block Address: 0x00012340   Block Size: 0x00000030   "
              "Allocation Type: Not applicable   Status: Free");
}

} // namespace
} // namespace corvane
