#pragma once

#include "heap/block_walk.h"
#include "heap/debug_buffer.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace corvane {

// "0x" and a number's lower-case hexadecimal digits, as many as its width
// holds (8 or 16) so that the texts of a column line up, then a terminating
// zero.
using HexText = char[19];
void FormatHex(std::uint64_t value, AddressWidth width, HexText& text);

// The columns of the heap node list, in the order the list shows them.
enum NodeColumn : int {
    kNodeColumnIndex,
    kNodeColumnBase,
    kNodeColumnBlockCount,
    kNodeColumnCommitted,
    kNodeColumnAllocated,
    kNodeColumnFlags,
    kNodeColumnCount
};

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
    std::array<const char*, kNodeColumnCount> Cells() const;
};

// The columns of the heap block list, in the order the list shows them.
enum BlockColumn : int {
    kBlockColumnIndex,
    kBlockColumnAddress,
    kBlockColumnSize,
    kBlockColumnType,
    kBlockColumnStatus,
    kBlockColumnCount
};

// Column texts of one heap block row: index, address, size, allocation type,
// status. The last two point at static texts.
struct HeapBlockRow {
    char index[12];
    HexText address;
    HexText size;
    const char* allocationType;
    const char* status;

    // The texts in column order.
    std::array<const char*, kBlockColumnCount> Cells() const;
};

// Addresses and sizes show at `width`; the flags are a 32-bit number in
// every process. `position` counts heap records from 0; the row shows it
// from 1.
void FormatHeapNodeRow(std::uint32_t position, const HeapRecord& heap, AddressWidth width, HeapNodeRow& row);
// `rowIndex` counts rows from 0; the row shows it from 1.
void FormatHeapBlockRow(std::uint32_t rowIndex, const HeapBlockCursor& cursor, AddressWidth width, HeapBlockRow& row);

const char* AllocationTypeText(std::uint32_t kind);
const char* StatusText(std::uint32_t kind);

// Signed decimal of the 32-bit value, then a terminating zero.
void FormatDecimal32(std::int32_t value, char (&text)[12]);

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
extern const char* const kBlockFrameCaption;

// The value of a hexadecimal digit of either case, or -1 for any other character.
int HexValue(char c);
// Reads back an address or size that a row shows: white space around it,
// an optional "0x", then hexadecimal digits and nothing else. Empty when the
// text holds no such number or one beyond `width`, so that a text that does
// not read is never taken for 0 or for a cut value.
std::optional<std::uint64_t> ParseHexNumber(std::string_view text, AddressWidth width);
// What the user is told when a row's text does not read as a number:
// `column` names the column by its heading.
std::string UnreadableNumberText(const char* column, std::string_view text);
// A size read back from a row as a signed count of `width` bits: the top
// bit set makes it negative.
std::int64_t SignedCount(std::uint64_t value, AddressWidth width);
// Reads a decimal count like the C library does: leading white space
// skipped, an optional sign, digits up to the first other character, 0 when
// there are none; values beyond 32 bits saturate.
std::int32_t ParseDecimalText(std::string_view text);
// True for a status text that reads "FREE" in any letter case once white
// space is trimmed from both ends.
bool IsFreeStatusText(std::string_view text);

} // namespace corvane
