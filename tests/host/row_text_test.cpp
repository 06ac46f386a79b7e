#include "ui/heap_rows.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdio>

namespace corvane {
namespace {

TEST(RowText, HexAndDecimalMatchTheFormatsTheRowsAreReadWith) {
    for (std::uint32_t value : {0u, 1u, 0x20u, 0x00150000u, 0x7FFFFFFFu, 0x80000000u, 0xFFFFFFFFu}) {
        HexText hex;
        FormatHex(value, AddressWidth::Bits32, hex);
        char expected[32];
        std::snprintf(expected, sizeof expected, "0x%.8x", value);
        EXPECT_STREQ(hex, expected);
        EXPECT_EQ(ParseHexNumber(hex, AddressWidth::Bits32), value);
    }
    // Every value a 64-bit process can show comes back whole.
    for (std::uint64_t value : {std::uint64_t{0}, std::uint64_t{0xFFFFFFFF}, std::uint64_t{0x100000000},
                                std::uint64_t{0x00007ff612340588}, ~std::uint64_t{0}}) {
        HexText hex;
        FormatHex(value, AddressWidth::Bits64, hex);
        char expected[32];
        std::snprintf(expected, sizeof expected, "0x%.16llx", static_cast<unsigned long long>(value));
        EXPECT_STREQ(hex, expected);
        EXPECT_EQ(ParseHexNumber(hex, AddressWidth::Bits64), value);
    }
    for (std::int32_t value : {0, 1, 9, 10, -1, 1234, INT_MAX, INT_MIN}) {
        char text[12];
        FormatDecimal32(value, text);
        EXPECT_EQ(std::to_string(value), text);
        EXPECT_EQ(ParseDecimalText(text), value);
    }
}

TEST(RowText, NodeRowShowsEveryColumn) {
    HeapRecord heap;
    heap.base = 0x00150000;
    heap.flags = 0x00000002;
    heap.bytesAllocated = 0x1234;
    heap.bytesCommitted = 0x00010000;
    heap.entryCount = 42;
    HeapNodeRow row;
    FormatHeapNodeRow(0, heap, AddressWidth::Bits32, row);
    EXPECT_STREQ(row.index, "1");
    EXPECT_STREQ(row.base, "0x00150000");
    EXPECT_STREQ(row.blockCount, "42");
    EXPECT_STREQ(row.committed, "0x00010000");
    EXPECT_STREQ(row.allocated, "0x00001234");
    EXPECT_STREQ(row.flags, "0x00000002");
}

TEST(RowText, BlockRowShowsKindAndStatus) {
    HeapBlockCursor cursor{0x00150588, 0x20, BlockKind::Moveable, false, 3};
    HeapBlockRow row;
    FormatHeapBlockRow(24, cursor, AddressWidth::Bits32, row);
    EXPECT_STREQ(row.index, "25");
    EXPECT_STREQ(row.address, "0x00150588");
    EXPECT_STREQ(row.size, "0x00000020");
    EXPECT_STREQ(row.allocationType, "MOVEABLE");
    EXPECT_STREQ(row.status, "Allocated");
    cursor.kind = BlockKind::Fixed;
    FormatHeapBlockRow(0, cursor, AddressWidth::Bits32, row);
    EXPECT_STREQ(row.allocationType, "FIXED");
    cursor.kind = static_cast<BlockKind>(7); // any other value
    FormatHeapBlockRow(0, cursor, AddressWidth::Bits32, row);
    EXPECT_STREQ(row.allocationType, "Unknown");
    EXPECT_STREQ(row.status, "Allocated");
}

TEST(RowText, FlagsColumnNarrowsFromFourteenHeaps) {
    EXPECT_EQ(NodeFlagsColumnWidth(0), 104);
    EXPECT_EQ(NodeFlagsColumnWidth(13), 104);
    EXPECT_EQ(NodeFlagsColumnWidth(14), 88);
    EXPECT_EQ(NodeFlagsColumnWidth(0xFFFFFFFF), 88);
}

TEST(RowText, StatusColumnNarrowsFromTwelveBlocks) {
    EXPECT_EQ(BlockStatusColumnWidth("11"), 147);
    EXPECT_EQ(BlockStatusColumnWidth("12"), 130);
    EXPECT_EQ(BlockStatusColumnWidth("not a number"), 147) << "unparseable counts as 0";
    EXPECT_EQ(BlockStatusColumnWidth(""), 147);
    EXPECT_EQ(BlockStatusColumnWidth("-1"), 130) << "the comparison is unsigned";
}

TEST(RowText, ProgressEveryTwentyFifthRow) {
    EXPECT_FALSE(IsProgressRow(0));
    EXPECT_FALSE(IsProgressRow(24));
    EXPECT_TRUE(IsProgressRow(25));
    EXPECT_FALSE(IsProgressRow(26));
    EXPECT_TRUE(IsProgressRow(50));
    EXPECT_EQ(ProgressCaption(25, 31), "Heap Blocks List - Processing 25 of 31 blocks...");
}

TEST(RowText, HexReaderTakesOnlyWholeNumbersOfTheWidth) {
    EXPECT_EQ(ParseHexNumber("0X1f", AddressWidth::Bits32), 0x1Fu);
    EXPECT_EQ(ParseHexNumber("1f", AddressWidth::Bits32), 0x1Fu);
    EXPECT_EQ(ParseHexNumber("  0xABCDEF01 ", AddressWidth::Bits32), 0xABCDEF01u);
    EXPECT_EQ(ParseHexNumber("0x0000000012345678", AddressWidth::Bits32), 0x12345678u) << "leading zeros";
    for (const char* text : {"", "0x", "0xg", "zz", "0x12 34", "-0x10", "0x10h"}) {
        EXPECT_EQ(ParseHexNumber(text, AddressWidth::Bits32), std::nullopt) << text;
        EXPECT_EQ(ParseHexNumber(text, AddressWidth::Bits64), std::nullopt) << text;
    }
    EXPECT_EQ(ParseHexNumber("0x123456789", AddressWidth::Bits32), std::nullopt) << "beyond 32 bits";
    EXPECT_EQ(ParseHexNumber("0x123456789", AddressWidth::Bits64), 0x123456789u);
    EXPECT_EQ(ParseHexNumber("0x10000000000000000", AddressWidth::Bits64), std::nullopt) << "beyond 64 bits";
    EXPECT_EQ(SignedCount(0x80000000, AddressWidth::Bits32), -2147483648LL);
    EXPECT_EQ(SignedCount(0x80000000, AddressWidth::Bits64), 0x80000000LL);
    EXPECT_EQ(SignedCount(0xFFFFFFFFFFFFFFF0, AddressWidth::Bits64), -16);
    EXPECT_EQ(UnreadableNumberText("Block Size", "0xzz"), "The Block Size \"0xzz\" cannot be read as a number.");
}

TEST(RowText, DecimalReaderReadsLikeTheCLibrary) {
    EXPECT_EQ(ParseDecimalText(" 42abc"), 42);
    EXPECT_EQ(ParseDecimalText("-7"), -7);
    EXPECT_EQ(ParseDecimalText("abc"), 0);
    EXPECT_EQ(ParseDecimalText("99999999999"), INT_MAX);
    EXPECT_EQ(ParseDecimalText("-99999999999"), INT_MIN);
}

TEST(RowText, FreeStatusIgnoresCaseAndSurroundingSpace) {
    EXPECT_TRUE(IsFreeStatusText("Free"));
    EXPECT_TRUE(IsFreeStatusText("FREE"));
    EXPECT_TRUE(IsFreeStatusText("  free\t"));
    EXPECT_FALSE(IsFreeStatusText("Allocated"));
    EXPECT_FALSE(IsFreeStatusText("Fre"));
    EXPECT_FALSE(IsFreeStatusText("Freed"));
    EXPECT_FALSE(IsFreeStatusText("F ree"));
    EXPECT_FALSE(IsFreeStatusText(""));
}

} // namespace
} // namespace corvane
