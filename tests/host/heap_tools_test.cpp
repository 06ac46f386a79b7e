#include "ui/heap_tools.h"

#include "ui/heap_references.h"

#include <gtest/gtest.h>

namespace corvane {
namespace {

template <typename Texts> std::vector<std::string> CellTexts(const Texts& texts) {
    const auto cells = texts.Cells();
    return std::vector<std::string>(cells.begin(), cells.end());
}

HeapBlockCursor Block(Address address, std::uint64_t size) {
    HeapBlockCursor block;
    block.address = address;
    block.size = size;
    block.kind = BlockKind::Fixed;
    return block;
}

TEST(HeapToolTexts, TheComparisonListsEachHeapsNewBlocksThenItsGoneOnesWithTheTotalsAbove) {
    SnapshotDifference difference;
    HeapChanges first;
    first.base = 0x150000;
    first.added = {Block(0x151000, 0x300), Block(0x152000, 0x20)};
    first.gone = {Block(0x153000, 0x10)};
    HeapChanges second;
    second.base = 0x250000;
    second.gone = {Block(0x251000, 0x1000)};
    difference.heaps = {first, second};
    difference.addedCount = 2;
    difference.addedBytes = 0x320;
    difference.goneCount = 2;
    difference.goneBytes = 0x1010;

    const std::vector<ChangeRow> rows = ChangeRows(difference);
    ASSERT_EQ(rows.size(), 4u);
    ChangeRowTexts texts;
    FormatChangeRow(0, rows[0], AddressWidth::Bits32, texts);
    EXPECT_EQ(CellTexts(texts), (std::vector<std::string>{"0x00150000", "New", "0x00151000", "0x00000300 (768)"}));
    FormatChangeRow(2, rows[2], AddressWidth::Bits64, texts);
    EXPECT_EQ(std::string(texts.change), "Gone");
    EXPECT_EQ(std::string(texts.address), "0x0000000000153000");
    FormatChangeRow(3, rows[3], AddressWidth::Bits32, texts);
    EXPECT_EQ(std::string(texts.heap), "0x00250000");
    EXPECT_EQ(std::string(texts.size), "0x00001000 (4,096)");
    EXPECT_EQ(DifferenceSummary(difference), "New since the baseline: 2 blocks, 800 bytes. Gone: 2 blocks, "
                                             "4,112 bytes.\nDouble-click a new block to see its data.");
    EXPECT_EQ(DifferenceSummary(SnapshotDifference{}), "No block in use has come or gone since the baseline.");
}

TEST(HeapToolTexts, StatisticsEndWithTheFreeBlocksLine) {
    SizeStatistics statistics;
    statistics.rows = {{0x40, 28, 1792, 1792.0 / 2304}, {0x200, 1, 512, 512.0 / 2304}};
    statistics.busyCount = 29;
    statistics.busyBytes = 2304;
    statistics.freeCount = 1;
    statistics.freeBytes = 1234567;
    const std::vector<StatisticsRow> rows = StatisticsRows(statistics);
    ASSERT_EQ(rows.size(), 3u);
    StatisticsRowTexts texts;
    FormatStatisticsRow(0, rows[0], AddressWidth::Bits32, texts);
    EXPECT_EQ(CellTexts(texts), (std::vector<std::string>{"0x00000040 (64)", "28", "1,792", "77.8%"}));
    FormatStatisticsRow(2, rows[2], AddressWidth::Bits32, texts);
    EXPECT_EQ(CellTexts(texts), (std::vector<std::string>{"Free blocks", "1", "1,234,567", ""}));
    EXPECT_EQ(StatisticsSummary(0x150000, AddressWidth::Bits32, statistics),
              "Heap 0x00150000: 29 blocks, 2,304 bytes in use in 2 sizes; 1 block, 1,234,567 bytes free.");
}

TEST(HeapToolTexts, TheSearchLineSaysHowFarItCameAndWhatItCouldNotRead) {
    SearchProgress progress;
    progress.bytesSearched = 3 << 20;
    progress.bytesTotal = 256u << 20;
    progress.matches = 1;
    EXPECT_EQ(SearchProgressText(progress), "Searching... 3.0 MiB of 256.0 MiB, 1 match.");
    progress.state = SearchState::Stopped;
    progress.matches = 1234;
    EXPECT_EQ(SearchProgressText(progress), "Stopped after 3.0 MiB of 256.0 MiB, 1,234 matches.");
    progress.state = SearchState::Done;
    progress.unreadableBlocks = 2;
    progress.capped = true;
    EXPECT_EQ(SearchProgressText(progress),
              "Done: 3.0 MiB searched, 1,234 matches. The search stops at this many matches. 2 blocks could not be "
              "read.");

    SearchHit hit;
    hit.blockIndex = 12;
    hit.blockAddress = 0x12f98a8;
    hit.offset = 16;
    hit.context = "sample: grown block 3";
    HitRowTexts texts;
    FormatHitRow(0, hit, AddressWidth::Bits32, texts);
    EXPECT_EQ(CellTexts(texts),
              (std::vector<std::string>{"13", "0x012f98a8", "0x00000010 (16)", "sample: grown block 3"}));
}

TEST(ReferenceTexts, ATypedAddressReadsAtTheEditionsWidthOrIsRefusedInWords) {
    std::string message;
    EXPECT_EQ(ParseTypedAddress(" 0x0019D3a0 ", AddressWidth::Bits32, message), Address{0x19d3a0});
    EXPECT_EQ(ParseTypedAddress("19d3a0", AddressWidth::Bits32, message), Address{0x19d3a0});
    EXPECT_EQ(ParseTypedAddress("123456789", AddressWidth::Bits64, message), Address{0x123456789});
    EXPECT_FALSE(ParseTypedAddress("123456789", AddressWidth::Bits32, message));
    EXPECT_EQ(message, "\"123456789\" is not an address of a 32-bit process: it needs more than 8 hexadecimal digits.");
    EXPECT_FALSE(ParseTypedAddress("0x12g4", AddressWidth::Bits64, message));
    EXPECT_EQ(message, "\"0x12g4\" is not an address: type hexadecimal digits, with or without 0x.");
    EXPECT_FALSE(ParseTypedAddress("  ", AddressWidth::Bits64, message));
    EXPECT_EQ(message, "Please type an address, in hexadecimal.");
}

TEST(ReferenceTexts, APlaceIsSaidInWordsAndAReferrerWhereItLies) {
    AddressPlace place;
    place.kind = PlaceKind::Heap;
    place.heapBase = 0x150000;
    EXPECT_EQ(AddressPlaceText(0x150010, place, AddressWidth::Bits32),
              "0x00150010 lies in the heap at 0x00150000, but in none of its blocks.");
    place.kind = PlaceKind::Module;
    place.module = "corvane_sample.exe";
    place.offset = 0x3010;
    EXPECT_EQ(AddressPlaceText(0x403010, place, AddressWidth::Bits32),
              "0x00403010 lies in no heap block: it is in the module corvane_sample.exe, at +0x3010.");
    EXPECT_EQ(WhereText(place, AddressWidth::Bits32), "corvane_sample.exe+0x3010");
    place.kind = PlaceKind::Uncommitted;
    EXPECT_EQ(AddressPlaceText(0x10, place, AddressWidth::Bits32),
              "0x00000010 lies in no committed memory of the process.");
    place = {PlaceKind::BusyBlock, 0x0000123400150000, 0x0000123400150590, 0x10, 0, {}};
    EXPECT_EQ(WhereText(place, AddressWidth::Bits64), "Heap 0x0000123400150000, block 0x0000123400150590 +0x10");
    place = {PlaceKind::Stack, 0, 0, 0, 0x2a, {}};
    EXPECT_EQ(WhereText(place, AddressWidth::Bits64), "Stack of thread 42");
}

TEST(ReferenceTexts, LeakRowsAndTheirTotalsPerKindAndInAll) {
    LeakRow row{0x150000, 0x150590, 0x20, LeakKind::Unreachable, {}};
    std::snprintf(row.text.data(), row.text.size(), "lost list no 02~");
    LeakRowTexts texts;
    FormatLeakRow(0, row, AddressWidth::Bits32, texts);
    EXPECT_EQ(CellTexts(texts), (std::vector<std::string>{"0x00150000", "0x00150590", "0x00000020 (32)", "Unreachable",
                                                          "lost list no 02~"}));
    LeakTotals totals;
    totals.blocks[0] = 1;
    totals.bytes[0] = 1;
    totals.blocks[1] = 1234;
    totals.bytes[1] = 39488;
    EXPECT_EQ(LeakTotalsText(totals, 3 << 20),
              "Unreferenced: 1 block, 1 byte. Unreachable: 1,234 blocks, 39,488 bytes. In all: 1,235 blocks, 39,489 "
              "bytes.\n3.0 MiB could not be read.");
    LeakProgress progress{SearchState::Stopped, 1 << 20, 4 << 20, 0, false};
    EXPECT_EQ(LeakProgressText(progress),
              "Stopped after 1.0 MiB of 4.0 MiB: leaks are known only once all of the process is read.");
}

} // namespace
} // namespace corvane
