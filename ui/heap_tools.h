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

enum ChangeColumn : int {
    kChangeColumnHeap,
    kChangeColumnChange,
    kChangeColumnAddress,
    kChangeColumnSize,
    kChangeColumnCount
};
struct ChangeRowTexts {
    HexText heap;
    const char* change;
    HexText address;
    SizeText size;
    std::array<const char*, kChangeColumnCount> Cells() const { return {heap, change, address, size}; }
};
void FormatChangeRow(std::uint32_t number, const ChangeRow& row, AddressWidth width, ChangeRowTexts& texts);
constexpr ListColumn kChangeColumns[] = {
    {kChangeColumnHeap, "Heap", 95, ColumnValues::Number},
    {kChangeColumnChange, "Change", 60, ColumnValues::Text},
    {kChangeColumnAddress, "Block Address", 95, ColumnValues::Number},
    {kChangeColumnSize, "Block Size", 175, ColumnValues::NumberAndDecimal},
};
static_assert(std::size(kChangeColumns) == kChangeColumnCount && InColumnOrder(kChangeColumns), "one entry per column");
// The totals over the list.
std::string DifferenceSummary(const SnapshotDifference& difference);

// A row of the size statistics: a size of blocks in use, or the free blocks.
struct StatisticsRow {
    bool free = false;
    SizeRow sizes;
};
// The sizes, most bytes first, then the line of the free blocks.
std::vector<StatisticsRow> StatisticsRows(const SizeStatistics& statistics);

enum StatisticsColumn : int {
    kStatisticsColumnSize,
    kStatisticsColumnBlocks,
    kStatisticsColumnBytes,
    kStatisticsColumnShare,
    kStatisticsColumnCount
};
struct StatisticsRowTexts {
    SizeText size;
    char count[28];
    char bytes[28];
    char share[16];
    std::array<const char*, kStatisticsColumnCount> Cells() const { return {size, count, bytes, share}; }
};
void FormatStatisticsRow(std::uint32_t number, const StatisticsRow& row, AddressWidth width, StatisticsRowTexts& texts);
constexpr ListColumn kStatisticsColumns[] = {
    {kStatisticsColumnSize, "Block Size", 150, ColumnValues::NumberAndDecimal},
    {kStatisticsColumnBlocks, "Blocks", 80, ColumnValues::Text},
    {kStatisticsColumnBytes, "Bytes", 100, ColumnValues::Text},
    {kStatisticsColumnShare, "Share", 60, ColumnValues::Text},
};
static_assert(std::size(kStatisticsColumns) == kStatisticsColumnCount && InColumnOrder(kStatisticsColumns),
              "one entry per column");
std::string StatisticsSummary(Address heapBase, AddressWidth width, const SizeStatistics& statistics);

enum HitColumn : int { kHitColumnIndex, kHitColumnAddress, kHitColumnOffset, kHitColumnText, kHitColumnCount };
struct HitRowTexts {
    char index[12];
    HexText address;
    SizeText offset;
    char text[48];
    std::array<const char*, kHitColumnCount> Cells() const { return {index, address, offset, text}; }
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
    bool capped = false; // the search stopped at its most matches
};
std::string SearchProgressText(const SearchProgress& progress);

void FormatHitRow(std::uint32_t number, const SearchHit& hit, AddressWidth width, HitRowTexts& texts);
constexpr ListColumn kHitColumns[] = {
    {kHitColumnIndex, "Heap Block Index", 110, ColumnValues::Text},
    {kHitColumnAddress, "Block Address", 95, ColumnValues::Number},
    {kHitColumnOffset, "Offset", 145, ColumnValues::NumberAndDecimal},
    // Gives back the room the numbers take in a 64-bit list, down to this.
    {kHitColumnText, "Text", 165, ColumnValues::Text},
};
constexpr int kHitTextColumnLeast = 110;
static_assert(std::size(kHitColumns) == kHitColumnCount && InColumnOrder(kHitColumns), "one entry per column");

} // namespace corvane
