#pragma once

// Texts of the tools that look at a whole heap or process: baselines and
// their comparison, size statistics and the search of all blocks.

#include "heap/heap_search.h"
#include "heap/heap_snapshot.h"
#include "heap/row_text.h"
#include "heap/size_statistics.h"
#include "heap/snapshot_compare.h"
#include "ui/list_columns.h"

#include <array>
#include <cstdint>
#include <iterator>
#include <string>
#include <vector>

namespace corvane {

// A count with its thousands grouped: "1,234,567".
std::string GroupedDecimal(std::uint64_t value);
// An amount of memory in mebibytes, to a tenth: "12.5 MiB".
std::string Mebibytes(std::uint64_t bytes);
// "1 block, 32 bytes".
std::string BlocksAndBytes(std::uint64_t blocks, std::uint64_t bytes);

// What the user is told once a baseline is set.
std::string BaselineSetText(const HeapSnapshot& snapshot);

// Why a block cannot be shown: its heap, or the block itself, is not among
// the rows any more.
std::string HeapNotListedText(Address heapBase, AddressWidth width);
std::string BlockNotListedText(Address address, AddressWidth width);

// A row of the comparison with a baseline: a block that is new or gone.
struct ChangeRow {
    Address heapBase = 0;
    bool added = false;
    HeapBlockCursor block;
};
// The comparison's rows: heap by heap, the new blocks and then the gone
// ones, each largest first.
std::vector<ChangeRow> ChangeRows(const SnapshotDifference& difference);

// A size with its decimal value beside it: "0x00000020 (32)".
using SizeText = char[48];
void FormatSizeText(std::uint64_t size, AddressWidth width, SizeText& text);

namespace ChangeColumn {
constexpr int Heap = 0, Change = 1, Address = 2, Size = 3, Count = 4;
} // namespace ChangeColumn
struct ChangeRowTexts {
    HexText heap;
    const char* change;
    HexText address;
    SizeText size;
    std::array<const char*, ChangeColumn::Count> Cells() const { return {heap, change, address, size}; }
};
void FormatChangeRow(std::uint32_t number, const ChangeRow& row, AddressWidth width, ChangeRowTexts& texts);
constexpr ListColumn kChangeColumns[] = {
    {ChangeColumn::Heap, "Heap", 95, ColumnValues::Number},
    {ChangeColumn::Change, "Change", 60, ColumnValues::Text},
    {ChangeColumn::Address, "Block Address", 95, ColumnValues::Number},
    {ChangeColumn::Size, "Block Size", 175, ColumnValues::NumberAndDecimal},
};
static_assert(std::size(kChangeColumns) == ChangeColumn::Count && InColumnOrder(kChangeColumns),
              "one entry per column");
// The totals over the list.
std::string DifferenceSummary(const SnapshotDifference& difference);

// A row of the size statistics: a size of blocks in use, or the free blocks.
struct StatisticsRow {
    bool free = false;
    SizeRow sizes;
};
// The sizes, most bytes first, then the line of the free blocks.
std::vector<StatisticsRow> StatisticsRows(const SizeStatistics& statistics);

namespace StatisticsColumn {
constexpr int Size = 0, Blocks = 1, Bytes = 2, Share = 3, Count = 4;
} // namespace StatisticsColumn
struct StatisticsRowTexts {
    SizeText size;
    char count[28];
    char bytes[28];
    char share[16];
    std::array<const char*, StatisticsColumn::Count> Cells() const { return {size, count, bytes, share}; }
};
void FormatStatisticsRow(std::uint32_t number, const StatisticsRow& row, AddressWidth width, StatisticsRowTexts& texts);
constexpr ListColumn kStatisticsColumns[] = {
    {StatisticsColumn::Size, "Block Size", 150, ColumnValues::NumberAndDecimal},
    {StatisticsColumn::Blocks, "Blocks", 80, ColumnValues::Text},
    {StatisticsColumn::Bytes, "Bytes", 100, ColumnValues::Text},
    {StatisticsColumn::Share, "Share", 60, ColumnValues::Text},
};
static_assert(std::size(kStatisticsColumns) == StatisticsColumn::Count && InColumnOrder(kStatisticsColumns),
              "one entry per column");
std::string StatisticsSummary(Address heapBase, AddressWidth width, const SizeStatistics& statistics);

namespace HitColumn {
constexpr int Index = 0, Address = 1, Offset = 2, Text = 3, Count = 4;
} // namespace HitColumn
struct HitRowTexts {
    char index[12];
    HexText address;
    SizeText offset;
    char text[48];
    std::array<const char*, HitColumn::Count> Cells() const { return {index, address, offset, text}; }
};
// The line over the search results: what is searched before a search, how
// far it has come while it runs, and how it ended.
std::string SearchScopeText(std::uint64_t blocks, std::uint64_t bytesInUse);
enum class SearchState { Running, Done, Stopped };
struct SearchProgress {
    SearchState state = SearchState::Running;
    std::uint64_t bytesSearched = 0;
    std::uint64_t bytesTotal = 0;
    std::size_t matches = 0;
    std::uint32_t unreadableBlocks = 0;
    std::uint64_t unreadableBytes = 0; // of memory outside the blocks
    bool capped = false;               // the search stopped at its most matches
};
std::string SearchProgressText(const SearchProgress& progress);

void FormatHitRow(std::uint32_t number, const SearchHit& hit, AddressWidth width, HitRowTexts& texts);
constexpr ListColumn kHitColumns[] = {
    {HitColumn::Index, "Heap Block Index", 110, ColumnValues::Text},
    {HitColumn::Address, "Block Address", 95, ColumnValues::Number},
    {HitColumn::Offset, "Offset", 145, ColumnValues::NumberAndDecimal},
    // Gives back the room the numbers take in a 64-bit list, down to this.
    {HitColumn::Text, "Text", 165, ColumnValues::Text},
};
constexpr int kHitTextColumnLeast = 110;
static_assert(std::size(kHitColumns) == HitColumn::Count && InColumnOrder(kHitColumns), "one entry per column");

} // namespace corvane
