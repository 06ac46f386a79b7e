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

const char* AllocationTypeText(BlockKind kind);
const char* StatusText(BlockKind kind);

// Signed decimal of the 32-bit value, then a terminating zero.
void FormatDecimal32(std::int32_t value, char (&text)[12]);

// The value of a hexadecimal digit of either case, or -1 for any other character.
int HexValue(char c);
// Reads back an address or size that a row shows: white space around it,
// an optional "0x", then hexadecimal digits and nothing else. Empty when the
// text holds no such number or one beyond `width`, so that a text that does
// not read is never taken for 0 or for a cut value.
std::optional<std::uint64_t> ParseHexNumber(std::string_view text, AddressWidth width);
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
