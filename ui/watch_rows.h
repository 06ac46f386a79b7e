#pragma once

// Texts of the watch: the intervals it samples at, its two lists (the
// heaps, and the sizes that grew) and the line that says how it goes.

#include "heap/heap_watch.h"
#include "ui/heap_tools.h"
#include "ui/list_columns.h"

#include <array>
#include <cstdint>
#include <iterator>
#include <string>

namespace corvane {

struct WatchInterval {
    unsigned milliseconds;
    const char* text;
};
constexpr WatchInterval kWatchIntervals[] = {
    {500, "0.5 s"}, {1000, "1 s"}, {2000, "2 s"}, {5000, "5 s"}, {10000, "10 s"},
};
constexpr int kFirstWatchInterval = 1;

// "+1,024", "-16", "0".
std::string SignedGroupedDecimal(std::int64_t value);

namespace WatchHeapColumn {
constexpr int Heap = 0, Blocks = 1, AtStart = 2, Now = 3, Change = 4, Rate = 5, Count = 6;
} // namespace WatchHeapColumn
struct WatchHeapRowTexts {
    HexText heap;
    char blocks[28];
    char atStart[28];
    char now[28];
    char change[28];
    char rate[40];
    std::array<const char*, WatchHeapColumn::Count> Cells() const { return {heap, blocks, atStart, now, change, rate}; }
};
void FormatWatchHeapRow(std::uint32_t number, const WatchHeapRow& row, AddressWidth width, WatchHeapRowTexts& texts);
constexpr ListColumn kWatchHeapColumns[] = {
    {WatchHeapColumn::Heap, "Heap", 80, ColumnValues::Number},
    {WatchHeapColumn::Blocks, "Busy Blocks", 72, ColumnValues::Text},
    {WatchHeapColumn::AtStart, "Busy Bytes at Start", 110, ColumnValues::Text},
    {WatchHeapColumn::Now, "Busy Bytes Now", 95, ColumnValues::Text},
    {WatchHeapColumn::Change, "Change", 80, ColumnValues::Text},
    {WatchHeapColumn::Rate, "Rate", 120, ColumnValues::Text},
};
static_assert(std::size(kWatchHeapColumns) == WatchHeapColumn::Count && InColumnOrder(kWatchHeapColumns),
              "one entry per column");

namespace SizeGrowthColumn {
constexpr int Size = 0, CountChange = 1, BytesChange = 2, Count = 3;
} // namespace SizeGrowthColumn
struct SizeGrowthRowTexts {
    SizeText size;
    char count[28];
    char bytes[28];
    std::array<const char*, SizeGrowthColumn::Count> Cells() const { return {size, count, bytes}; }
};
void FormatSizeGrowthRow(std::uint32_t number, const SizeGrowthRow& row, AddressWidth width, SizeGrowthRowTexts& texts);
constexpr ListColumn kSizeGrowthColumns[] = {
    {SizeGrowthColumn::Size, "Size", 120, ColumnValues::NumberAndDecimal},
    {SizeGrowthColumn::CountChange, "Change in Count", 110, ColumnValues::Text},
    {SizeGrowthColumn::BytesChange, "Change in Bytes", 110, ColumnValues::Text},
};
static_assert(std::size(kSizeGrowthColumns) == SizeGrowthColumn::Count && InColumnOrder(kSizeGrowthColumns),
              "one entry per column");

enum class WatchState { Running, Paused, ProcessEnded };
struct WatchStatus {
    WatchState state = WatchState::Running;
    std::uint32_t processId = 0;
    std::size_t samples = 0;       // taken, broken ones included
    std::size_t brokenSamples = 0; // that could not be taken
    const char* interval = "1 s";
};
// The line over the chart: how many samples, at what pace, and why the
// watch stopped when it has.
std::string WatchStatusText(const WatchStatus& status);

} // namespace corvane
