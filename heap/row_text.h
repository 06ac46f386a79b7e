#pragma once

#include "heap/block_walk.h"
#include "heap/debug_buffer.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace corvane {

// Column texts of one heap node row: index, base address, block count,
// committed size, allocated size, flags.
struct HeapNodeRow {
    char index[12];
    char base[11];
    char blockCount[12];
    char committed[11];
    char allocated[11];
    char flags[11];
};

// Column texts of one heap block row: index, address, size, allocation type,
// status. The last two point at static texts.
struct HeapBlockRow {
    char index[12];
    char address[11];
    char size[11];
    const char* allocationType;
    const char* status;
};

// `position` counts heap records from 0; the row shows it from 1.
void FormatHeapNodeRow(std::uint32_t position, const HeapRecord& heap, HeapNodeRow& row);
// `rowIndex` counts rows from 0; the row shows it from 1.
void FormatHeapBlockRow(std::uint32_t rowIndex, const HeapBlockCursor& cursor, HeapBlockRow& row);

const char* AllocationTypeText(std::uint32_t kind);
const char* StatusText(std::uint32_t kind);

// "0x" and eight lower-case hexadecimal digits, then a terminating zero.
void FormatHex32(std::uint32_t value, char (&text)[11]);
// Signed decimal of the 32-bit value, then a terminating zero.
void FormatDecimal32(std::int32_t value, char (&text)[12]);

// Widths, in pixels, of the last column of each list, chosen by how many rows
// the list gets.
constexpr int kNodeColumnFlags = 5;
constexpr int kBlockColumnStatus = 4;
int NodeFlagsColumnWidth(std::uint32_t heapCount);
int BlockStatusColumnWidth(std::string_view blockCountText);

// The block list's frame shows progress after every 25th row.
constexpr std::uint32_t kProgressInterval = 25;
bool IsProgressRow(std::uint32_t rowsDone);
std::string ProgressCaption(std::uint32_t rowsDone, std::uint32_t entryCount);
extern const char* const kBlockFrameCaption;

// Readers of the row texts, for the steps that take their inputs back from
// the lists. Each reads like the C library's conversions: leading white
// space skipped, an optional sign, digits up to the first other character,
// 0 when there are none; values beyond the type saturate.
std::uint32_t ParseHexText(std::string_view text); // "0x" prefix accepted
std::int32_t ParseDecimalText(std::string_view text);
// True for a status text that reads "FREE" in any letter case once white
// space is trimmed from both ends.
bool IsFreeStatusText(std::string_view text);

} // namespace corvane
