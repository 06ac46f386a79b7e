#include "controls/dib.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <vector>

namespace corvane {
namespace {

std::uint32_t Read32(const std::uint8_t* p) { return p[0] | (p[1] << 8) | (p[2] << 16) | (std::uint32_t{p[3]} << 24); }
std::uint16_t Read16(const std::uint8_t* p) { return static_cast<std::uint16_t>(p[0] | (p[1] << 8)); }

std::vector<std::uint8_t> BlockBytes(const CDib& dib) {
    return std::vector<std::uint8_t>(dib.GetBlock(), dib.GetBlock() + dib.GetSize());
}

// A bitmap whose colour table and pixels hold a known pattern instead of
// whatever the allocator left.
void FillPattern(CDib& dib, std::uint8_t seed) {
    std::uint8_t* block = const_cast<std::uint8_t*>(dib.GetBlock());
    for (std::uint32_t i = kDibHeaderSize; i < dib.GetSize(); ++i)
        block[i] = static_cast<std::uint8_t>(seed + i * 7);
}

TEST(DibLayout, BlockIsHeaderThenColourTableThenPaddedRows) {
    CDib dib;
    const std::uint8_t* block = dib.Create(5, 3, 8);
    ASSERT_NE(block, nullptr);
    EXPECT_TRUE(dib.IsValid());
    EXPECT_EQ(block, dib.GetBlock());
    EXPECT_EQ(dib.GetLineWidth(), 8);
    EXPECT_EQ(dib.GetPaletteSize(), 1024u);
    EXPECT_EQ(dib.GetSize(), 1088u);
    EXPECT_EQ(dib.GetBits(), block + 40 + 1024);
    EXPECT_EQ(dib.GetWidth(), 5);
    EXPECT_EQ(dib.GetHeight(), 3);
    EXPECT_EQ(dib.GetBitCount(), 8);

    // The header as the platform reads it, little-endian.
    EXPECT_EQ(Read32(block + 0), 40u);  // biSize
    EXPECT_EQ(Read32(block + 4), 5u);   // biWidth
    EXPECT_EQ(Read32(block + 8), 3u);   // biHeight: positive, rows bottom-up
    EXPECT_EQ(Read16(block + 12), 1);   // biPlanes
    EXPECT_EQ(Read16(block + 14), 8);   // biBitCount
    EXPECT_EQ(Read32(block + 16), 0u);  // biCompression BI_RGB
    EXPECT_EQ(Read32(block + 20), 24u); // biSizeImage
    for (int offset = 24; offset < 40; offset += 4)
        EXPECT_EQ(Read32(block + offset), 0u) << offset;
}

TEST(DibLayout, BitCountSnapsAndDecidesPaletteAndLineWidth) {
    struct Case {
        std::uint16_t requested, snapped;
        std::uint32_t paletteSize;
        std::int32_t lineWidth; // for a width of 5
    };
    const Case cases[] = {{0, 1, 8, 4},    {1, 1, 8, 4},    {2, 4, 64, 4},   {4, 4, 64, 4},
                          {5, 8, 1024, 8}, {6, 8, 1024, 8}, {8, 8, 1024, 8}, {9, 24, 0, 16},
                          {16, 24, 0, 16}, {24, 24, 0, 16}, {32, 24, 0, 16}, {65535, 24, 0, 16}};
    for (const Case& c : cases) {
        CDib dib;
        ASSERT_NE(dib.Create(5, 3, c.requested), nullptr) << c.requested;
        EXPECT_EQ(dib.GetBitCount(), c.snapped) << c.requested;
        EXPECT_EQ(dib.GetPaletteSize(), c.paletteSize) << c.requested;
        EXPECT_EQ(dib.GetLineWidth(), c.lineWidth) << c.requested;
        EXPECT_EQ(dib.GetSize(), 40 + c.paletteSize + 3u * static_cast<std::uint32_t>(c.lineWidth)) << c.requested;
        EXPECT_EQ(dib.GetBits(), dib.GetBlock() + 40 + c.paletteSize) << c.requested;
    }
}

TEST(DibLayout, RowsArePaddedToWholeWords) {
    CDib dib;
    for (std::int32_t width : {1, 2, 3, 4, 5, 75, 644}) {
        ASSERT_NE(dib.Create(width, 2, 8), nullptr);
        EXPECT_EQ(dib.GetLineWidth(), (width + 3) / 4 * 4) << width;
    }
    ASSERT_NE(dib.Create(33, 1, 1), nullptr);
    EXPECT_EQ(dib.GetLineWidth(), 8);
    ASSERT_NE(dib.Create(9, 1, 4), nullptr);
    EXPECT_EQ(dib.GetLineWidth(), 8);
}

TEST(DibLifecycle, EmptyObjectDoesNothingAndReportsNothing) {
    CDib dib;
    EXPECT_FALSE(dib.IsValid());
    EXPECT_EQ(dib.GetBits(), nullptr);
    EXPECT_EQ(dib.GetWidth(), 0);
    EXPECT_EQ(dib.GetHeight(), 0);
    EXPECT_EQ(dib.GetBitCount(), 0);
    EXPECT_EQ(dib.GetLineWidth(), 0);
    EXPECT_EQ(dib.GetPaletteSize(), 0u);
    EXPECT_EQ(dib.GetSize(), 40u);
    // With nothing to write to, the writers leave the object as it was.
    dib.SetPaletteEntry(0, 1, 2, 3);
    dib.BlendPalette(0x00FFFFFF, 50);
    dib.Clear(7);
    dib.SetPixelIndex(0, 0, 1);
    EXPECT_FALSE(dib.IsValid());
    EXPECT_EQ(dib.GetBits(), nullptr);
    EXPECT_EQ(dib.GetSize(), 40u);
    EXPECT_EQ(dib.GetPaletteSize(), 0u);
}

TEST(DibLifecycle, CreateReplacesThePreviousBlock) {
    CDib dib;
    ASSERT_NE(dib.Create(75, 23, 8), nullptr);
    ASSERT_NE(dib.Create(2, 2, 24), nullptr);
    EXPECT_EQ(dib.GetPaletteSize(), 0u);
    EXPECT_EQ(dib.GetLineWidth(), 8);
    EXPECT_EQ(dib.GetSize(), 40u + 16u);
    EXPECT_EQ(dib.GetBits(), dib.GetBlock() + 40);
}

TEST(DibLifecycle, ZeroSizedBitmapHasAHeaderAndAColourTableButNoPixels) {
    CDib dib;
    ASSERT_NE(dib.Create(0, 0, 8), nullptr);
    EXPECT_EQ(dib.GetLineWidth(), 0);
    EXPECT_EQ(dib.GetSize(), 40u + 1024u);
    // No pixel to write: header and colour table stay as they were.
    FillPattern(dib, 0x3C);
    const std::vector<std::uint8_t> before(dib.GetBlock(), dib.GetBlock() + dib.GetSize());
    dib.Clear(9);
    dib.SetPixelIndex(0, 0, 9);
    EXPECT_EQ(std::vector<std::uint8_t>(dib.GetBlock(), dib.GetBlock() + dib.GetSize()), before);
    ASSERT_NE(dib.Create(7, 0, 8), nullptr);
    EXPECT_EQ(dib.GetLineWidth(), 8);
    EXPECT_EQ(dib.GetSize(), 40u + 1024u);
}

TEST(DibLifecycle, SizesThatCannotBeAllocatedLeaveNoBlockButKeepTheRequest) {
    CDib dib;
    ASSERT_NE(dib.Create(4, 4, 8), nullptr);
    EXPECT_EQ(dib.Create(-1, 3, 8), nullptr);
    EXPECT_FALSE(dib.IsValid());
    EXPECT_EQ(dib.GetBits(), nullptr);
    EXPECT_EQ(dib.GetWidth(), -1);
    EXPECT_EQ(dib.GetPaletteSize(), 1024u);

    EXPECT_EQ(dib.Create(3, -2, 8), nullptr);
    EXPECT_FALSE(dib.IsValid());

    // 10^10 pixel bytes: beyond what the block may hold.
    EXPECT_EQ(dib.Create(100000, 100000, 8), nullptr);
    EXPECT_FALSE(dib.IsValid());
    EXPECT_EQ(dib.GetWidth(), 100000);
    EXPECT_EQ(dib.GetHeight(), 100000);
    EXPECT_EQ(dib.GetLineWidth(), 100000);

    // 65536 x 65537 wraps to 65536 bytes in 32 bits; a block of that size
    // would be far smaller than its rows.
    EXPECT_EQ(dib.Create(65536, 65537, 8), nullptr);
    EXPECT_FALSE(dib.IsValid());
    // 24 x 0x7FFFFFFF wraps the line width itself.
    EXPECT_EQ(dib.Create(0x7FFFFFFF, 1, 24), nullptr);
    EXPECT_FALSE(dib.IsValid());

    // Without a block the writers have nowhere to write and make none.
    dib.Clear(1);
    dib.SetPixelIndex(0, 0, 1);
    dib.SetPaletteEntry(0, 1, 2, 3);
    EXPECT_FALSE(dib.IsValid());
    EXPECT_EQ(dib.GetBits(), nullptr);
    EXPECT_EQ(dib.GetBlock(), nullptr);
}

TEST(DibPalette, EntryIsBlueGreenRedAndAZeroByte) {
    CDib dib;
    ASSERT_NE(dib.Create(5, 3, 8), nullptr);
    FillPattern(dib, 0xA5);
    dib.SetPaletteEntry(3, 0x11, 0x22, 0x33);
    dib.SetPaletteEntry(255, 0x44, 0x55, 0x66);
    const std::uint8_t* table = dib.GetBlock() + 40;
    EXPECT_EQ(table[12], 0x33);
    EXPECT_EQ(table[13], 0x22);
    EXPECT_EQ(table[14], 0x11);
    EXPECT_EQ(table[15], 0x00);
    EXPECT_EQ(table[1020], 0x66);
    EXPECT_EQ(table[1021], 0x55);
    EXPECT_EQ(table[1022], 0x44);
    EXPECT_EQ(table[1023], 0x00);
}

TEST(DibPalette, IndexesBeyondTheColourTableAreIgnored) {
    for (std::uint16_t bits : {1, 4, 24}) {
        CDib dib;
        ASSERT_NE(dib.Create(5, 3, bits), nullptr);
        FillPattern(dib, 0x3C);
        const std::vector<std::uint8_t> before = BlockBytes(dib);
        dib.SetPaletteEntry(200, 1, 2, 3);
        dib.SetPaletteEntry(static_cast<std::uint8_t>(dib.GetPaletteSize() / 4), 1, 2, 3);
        EXPECT_EQ(BlockBytes(dib), before) << bits << " bits";
    }
    CDib small;
    ASSERT_NE(small.Create(5, 3, 4), nullptr);
    small.SetPaletteEntry(15, 1, 2, 3);
    EXPECT_EQ(small.GetBlock()[40 + 60 + 2], 1) << "the last of 16 entries is still written";
}

TEST(DibPalette, BlendMovesEveryEntryTowardTheColourByPercent) {
    CDib dib;
    ASSERT_NE(dib.Create(2, 2, 8), nullptr);
    FillPattern(dib, 0x17);
    std::uint8_t* table = const_cast<std::uint8_t*>(dib.GetBlock()) + 40;
    for (int i = 0; i < 256; ++i)
        table[4 * i + 3] = 0x77; // reserved bytes: must stay
    dib.SetPaletteEntry(0, 200, 1, 0);
    table[3] = 0x77;
    const std::vector<std::uint8_t> before = BlockBytes(dib);

    const ColorRef color = MakeColorRef(100, 0, 255);
    dib.BlendPalette(color, 50);
    EXPECT_EQ(table[2], (200 * 50 + 100 * 50) / 100); // red: 150
    EXPECT_EQ(table[1], 0) << "1 * 50 / 100 truncates";
    EXPECT_EQ(table[0], 127) << "blue from the third byte of the colour";
    for (int i = 0; i < 256; ++i) {
        EXPECT_EQ(table[4 * i + 3], 0x77) << i;
        for (int c = 0; c < 3; ++c) {
            const int k = c == 0 ? 255 : c == 1 ? 0 : 100;
            EXPECT_EQ(table[4 * i + c], (before[40 + 4 * i + c] * 50 + k * 50) / 100) << i << ' ' << c;
        }
    }
    const std::vector<std::uint8_t> pixels(dib.GetBits(), dib.GetBits() + 4 * 2);
    EXPECT_TRUE(std::equal(pixels.begin(), pixels.end(), before.begin() + 40 + 1024)) << "pixels untouched";
}

TEST(DibPalette, BlendLimitsAndNoOps) {
    CDib dib;
    ASSERT_NE(dib.Create(2, 2, 8), nullptr);
    FillPattern(dib, 0x29);
    const std::vector<std::uint8_t> original = BlockBytes(dib);
    const ColorRef color = MakeColorRef(0x12, 0x34, 0x56);

    dib.BlendPalette(color, 0);
    EXPECT_EQ(BlockBytes(dib), original) << "0 percent";
    dib.BlendPalette(color, -40);
    EXPECT_EQ(BlockBytes(dib), original) << "below 0 counts as 0";

    CDib full, beyond;
    full.Clone(dib);
    beyond.Clone(dib);
    full.BlendPalette(color, 100);
    beyond.BlendPalette(color, 150);
    EXPECT_EQ(BlockBytes(full), BlockBytes(beyond)) << "above 100 counts as 100";
    for (int i = 0; i < 256; ++i) {
        const std::uint8_t* entry = full.GetBlock() + 40 + 4 * i;
        EXPECT_EQ(entry[0], 0x56);
        EXPECT_EQ(entry[1], 0x34);
        EXPECT_EQ(entry[2], 0x12);
    }

    CDib truecolour;
    ASSERT_NE(truecolour.Create(2, 2, 24), nullptr);
    FillPattern(truecolour, 0x01);
    const std::vector<std::uint8_t> pixels = BlockBytes(truecolour);
    truecolour.BlendPalette(color, 100);
    EXPECT_EQ(BlockBytes(truecolour), pixels) << "no colour table, nothing to blend";
}

TEST(DibPixels, PixelIndexCountsRowsFromTheTopOfThePicture) {
    CDib dib;
    ASSERT_NE(dib.Create(5, 3, 8), nullptr);
    dib.Clear(0);
    dib.SetPixelIndex(0, 0, 11);
    dib.SetPixelIndex(4, 0, 12);
    dib.SetPixelIndex(0, 2, 13);
    dib.SetPixelIndex(3, 1, 14);
    const std::uint8_t* bits = dib.GetBits();
    EXPECT_EQ(bits[2 * 8 + 0], 11) << "top-left is the first byte of the last stored row";
    EXPECT_EQ(bits[2 * 8 + 4], 12);
    EXPECT_EQ(bits[0], 13) << "bottom-left is the first stored byte";
    EXPECT_EQ(bits[8 + 3], 14);

    CDib narrow;
    ASSERT_NE(narrow.Create(1, 6, 8), nullptr);
    narrow.Clear(0);
    for (std::int32_t y = 0; y < 6; ++y)
        narrow.SetPixelIndex(0, y, static_cast<std::uint8_t>(y + 1));
    for (std::int32_t r = 0; r < 6; ++r) {
        EXPECT_EQ(narrow.GetBits()[4 * r], 6 - r) << "rows of a one-pixel-wide bitmap are 4 bytes apart";
        EXPECT_EQ(narrow.GetBits()[4 * r + 1], 0) << "padding untouched";
    }
}

TEST(DibPixels, PixelsOutsideTheBitmapOrOfOtherDepthsAreIgnored) {
    CDib dib;
    ASSERT_NE(dib.Create(5, 3, 8), nullptr);
    FillPattern(dib, 0x42);
    const std::vector<std::uint8_t> before = BlockBytes(dib);
    const std::int32_t outside[][2] = {{-1, 0},  {0, -1}, {5, 0},         {0, 3},         {2, 3},
                                       {-1, -1}, {7, 1},  {INT32_MIN, 0}, {0, INT32_MAX}, {INT32_MAX, INT32_MAX}};
    for (const auto& xy : outside)
        dib.SetPixelIndex(xy[0], xy[1], 0xEE);
    EXPECT_EQ(BlockBytes(dib), before);

    // Byte addressing would run past the rows of narrower depths.
    for (std::uint16_t bits : {1, 4, 24}) {
        CDib other;
        ASSERT_NE(other.Create(40, 3, bits), nullptr);
        FillPattern(other, 0x42);
        const std::vector<std::uint8_t> untouched = BlockBytes(other);
        for (std::int32_t x = 0; x < 40; ++x)
            other.SetPixelIndex(x, 0, 0xEE);
        EXPECT_EQ(BlockBytes(other), untouched) << bits << " bits";
    }
}

TEST(DibPixels, ClearOverwritesEveryPixelByteIncludingPadding) {
    CDib dib;
    ASSERT_NE(dib.Create(5, 3, 8), nullptr);
    FillPattern(dib, 0x10);
    const std::vector<std::uint8_t> before = BlockBytes(dib);
    dib.Clear(0x5A);
    for (int i = 0; i < 24; ++i)
        EXPECT_EQ(dib.GetBits()[i], 0x5A) << i;
    EXPECT_TRUE(std::equal(before.begin(), before.begin() + 40 + 1024, dib.GetBlock())) << "header and palette kept";

    CDib truecolour;
    ASSERT_NE(truecolour.Create(5, 2, 24), nullptr);
    truecolour.Clear(0xC3);
    for (int i = 0; i < 32; ++i)
        EXPECT_EQ(truecolour.GetBits()[i], 0xC3) << i;
}

TEST(DibClone, CopiesHeaderColourTableAndPixels) {
    CDib source;
    ASSERT_NE(source.Create(5, 3, 8), nullptr);
    FillPattern(source, 0x61);
    CDib copy;
    ASSERT_NE(copy.Create(100, 100, 24), nullptr);
    copy.Clone(source);
    ASSERT_TRUE(copy.IsValid());
    EXPECT_NE(copy.GetBlock(), source.GetBlock());
    EXPECT_EQ(copy.GetWidth(), 5);
    EXPECT_EQ(copy.GetHeight(), 3);
    EXPECT_EQ(copy.GetBitCount(), 8);
    EXPECT_EQ(copy.GetLineWidth(), 8);
    EXPECT_EQ(BlockBytes(copy), BlockBytes(source));

    copy.SetPixelIndex(0, 0, static_cast<std::uint8_t>(source.GetBits()[16] + 1));
    copy.SetPaletteEntry(0, 1, 2, 3);
    EXPECT_NE(BlockBytes(copy), BlockBytes(source));
    const std::vector<std::uint8_t> sourceNow = BlockBytes(source);
    CDib again;
    again.Clone(source);
    EXPECT_EQ(BlockBytes(again), sourceNow) << "the source is not changed by changing a clone";

    for (std::uint16_t bits : {1, 4, 24}) {
        CDib other, otherCopy;
        ASSERT_NE(other.Create(9, 4, bits), nullptr);
        FillPattern(other, 0x05);
        otherCopy.Clone(other);
        EXPECT_EQ(BlockBytes(otherCopy), BlockBytes(other)) << bits << " bits";
    }
}

TEST(DibClone, CloneOfItselfOrOfAnEmptyBitmap) {
    CDib dib;
    ASSERT_NE(dib.Create(6, 2, 8), nullptr);
    FillPattern(dib, 0x33);
    const std::vector<std::uint8_t> before = BlockBytes(dib);
    dib.Clone(dib);
    ASSERT_TRUE(dib.IsValid());
    EXPECT_EQ(BlockBytes(dib), before);

    // An empty source describes a 0 x 0 bitmap of depth 0, which snaps to 1
    // bit: the copy gets that block, with nothing copied into it.
    const CDib empty;
    dib.Clone(empty);
    ASSERT_TRUE(dib.IsValid());
    EXPECT_EQ(dib.GetWidth(), 0);
    EXPECT_EQ(dib.GetHeight(), 0);
    EXPECT_EQ(dib.GetBitCount(), 1);
    EXPECT_EQ(dib.GetSize(), 48u);
}

} // namespace
} // namespace corvane
