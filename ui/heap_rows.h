#pragma once

// The rows of the heap node list and the heap block list: their columns,
// their texts, and what the listings show beside them.

#include "heap/row_text.h"
#include "ui/list_columns.h"

#include <array>
#include <cstdint>
#include <iterator>
#include <string>
#include <string_view>

namespace corvane {

// The columns of the heap node list, in the order the list shows them.
namespace NodeColumn {
constexpr int Index = 0, Base = 1, BlockCount = 2, Committed = 3, Allocated = 4, Flags = 5, Count = 6;
} // namespace NodeColumn

// Column texts of one heap node row: index, base address, block count,
// committed size, allocated size, flags.
struct HeapNodeRow {
    char index[12];
    HexText base;
    char blockCount[12];
    HexText committed;
    HexText allocated;
    HexText flags;

    // The texts in column order.
    std::array<const char*, NodeColumn::Count> Cells() const;
};

// The columns of the heap block list, in the order the list shows them.
namespace BlockColumn {
constexpr int Index = 0, Address = 1, Size = 2, Type = 3, Status = 4, Count = 5;
} // namespace BlockColumn

// Column texts of one heap block row: index, address, size, allocation type,
// status. The last two point at static texts.
struct HeapBlockRow {
    char index[12];
    HexText address;
    HexText size;
    const char* allocationType;
    const char* status;

    // The texts in column order.
    std::array<const char*, BlockColumn::Count> Cells() const;
};

constexpr ListColumn kNodeColumns[] = {
    {NodeColumn::Index, "Heap Node Index", 100, ColumnValues::Text},
    {NodeColumn::Base, "Node Base Address", 110, ColumnValues::Number},
    {NodeColumn::BlockCount, "Block Count", 80, ColumnValues::Text},
    {NodeColumn::Committed, "Committed Size", 95, ColumnValues::Number},
    {NodeColumn::Allocated, "Allocated Size", 95, ColumnValues::Number},
    // The flags are a 32-bit number in every process.
    {NodeColumn::Flags, "Flags", 104, ColumnValues::Text},
};
static_assert(std::size(kNodeColumns) == NodeColumn::Count && InColumnOrder(kNodeColumns), "one entry per column");

constexpr ListColumn kBlockColumns[] = {
    {BlockColumn::Index, "Heap Block Index", 100, ColumnValues::Text},
    {BlockColumn::Address, "Block Address", 120, ColumnValues::Number},
    {BlockColumn::Size, "Block Size", 120, ColumnValues::Number},
    {BlockColumn::Type, "Allocation Type", 100, ColumnValues::Text},
    {BlockColumn::Status, "Status", 147, ColumnValues::Text},
};
static_assert(std::size(kBlockColumns) == BlockColumn::Count && InColumnOrder(kBlockColumns), "one entry per column");

// Addresses and sizes show at `width`; the flags are a 32-bit number in
// every process. `position` counts heap records from 0; the row shows it
// from 1.
void FormatHeapNodeRow(std::uint32_t position, const HeapRecord& heap, AddressWidth width, HeapNodeRow& row);
// `rowIndex` counts rows from 0; the row shows it from 1.
void FormatHeapBlockRow(std::uint32_t rowIndex, const HeapBlockCursor& cursor, AddressWidth width, HeapBlockRow& row);

// Widths, in pixels, of the last column of each list, chosen by how many rows
// the list gets.
int NodeFlagsColumnWidth(std::uint32_t heapCount);
int BlockStatusColumnWidth(std::string_view blockCountText);

// The block list's frame shows progress after every 25th row, when at least
// kProgressPeriodMs have passed since the walk began or since it last did:
// a shorter walk is over before a person could read it.
constexpr std::uint32_t kProgressInterval = 25;
constexpr std::uint64_t kProgressPeriodMs = 50;
bool IsProgressRow(std::uint32_t rowsDone);
std::string ProgressCaption(std::uint32_t rowsDone, std::uint32_t entryCount);
// The block list's frame title when no walk is under way.
extern const char* const kBlockFrameCaption;

// What the user is told when a row's text does not read as a number:
// `column` names the column by its heading.
std::string UnreadableNumberText(const char* column, std::string_view text);

} // namespace corvane
