#pragma once

// Texts of the references between blocks: the address typed to go to and
// what it lies in, the pointers a block holds, the values that point into a
// block, and the leaks.

#include "heap/references.h"
#include "ui/heap_tools.h"

#include <array>
#include <cstdint>
#include <iterator>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace corvane {

// Reads an address typed to go to: hexadecimal digits, with or without
// "0x", that fit an address of `width`. Empty, with the message for the
// user, for any other text.
std::optional<Address> ParseTypedAddress(std::string_view text, AddressWidth width, std::string& message);

// What an address that lies in no block lies in, in plain words.
std::string AddressPlaceText(Address address, const AddressPlace& place, AddressWidth width);

// A value of the shown block that points into a busy block.
struct PointerRow {
    std::uint64_t offset = 0;
    Address value = 0;
    Address heapBase = 0;
    Address blockAddress = 0;
    std::uint64_t blockSize = 0;
    std::uint64_t offsetInBlock = 0;
};
std::vector<PointerRow> PointerRows(const std::vector<BlockPointer>& pointers, const BlockIndex& index,
                                    const HeapSnapshot& snapshot);
std::string PointersSummary(Address block, std::uint64_t size, std::size_t pointers, AddressWidth width);

namespace PointerColumn {
constexpr int Offset = 0, Value = 1, Heap = 2, Address = 3, Size = 4, OffsetInBlock = 5, Count = 6;
} // namespace PointerColumn
struct PointerRowTexts {
    SizeText offset;
    HexText value;
    HexText heap;
    HexText address;
    SizeText size;
    SizeText offsetInBlock;
    std::array<const char*, PointerColumn::Count> Cells() const {
        return {offset, value, heap, address, size, offsetInBlock};
    }
};
void FormatPointerRow(std::uint32_t number, const PointerRow& row, AddressWidth width, PointerRowTexts& texts);
constexpr ListColumn kPointerColumns[] = {
    {PointerColumn::Offset, "Offset", 100, ColumnValues::NumberAndDecimal},
    {PointerColumn::Value, "Value", 95, ColumnValues::Number},
    {PointerColumn::Heap, "Heap", 95, ColumnValues::Number},
    {PointerColumn::Address, "Block Address", 95, ColumnValues::Number},
    {PointerColumn::Size, "Block Size", 100, ColumnValues::NumberAndDecimal},
    {PointerColumn::OffsetInBlock, "Offset in Block", 100, ColumnValues::NumberAndDecimal},
};
static_assert(std::size(kPointerColumns) == PointerColumn::Count && InColumnOrder(kPointerColumns),
              "one entry per column");

// A value somewhere in the process that points into the block searched for,
// with what holds it.
struct ReferrerRow {
    Address address = 0;
    Address value = 0;
    AddressPlace place;
};
// Where a referrer lies, for the list: a heap block with its heap and the
// offset in it, a thread's stack, a module's name and offset, or the kind
// of other memory.
std::string WhereText(const AddressPlace& place, AddressWidth width);

namespace ReferrerColumn {
constexpr int Where = 0, Address = 1, Value = 2, Count = 3;
} // namespace ReferrerColumn
struct ReferrerRowTexts {
    char where[96];
    HexText address;
    HexText value;
    std::array<const char*, ReferrerColumn::Count> Cells() const { return {where, address, value}; }
};
void FormatReferrerRow(std::uint32_t number, const ReferrerRow& row, AddressWidth width, ReferrerRowTexts& texts);
constexpr ListColumn kReferrerColumns[] = {
    // As wide as a heap block's place needs, at least.
    {ReferrerColumn::Where, "Where", 240, ColumnValues::Text},
    {ReferrerColumn::Address, "Address", 95, ColumnValues::Number},
    {ReferrerColumn::Value, "Value", 95, ColumnValues::Number},
};
static_assert(std::size(kReferrerColumns) == ReferrerColumn::Count && InColumnOrder(kReferrerColumns),
              "one entry per column");

// The name of a leak's kind, as its column shows it.
const char* LeakKindText(LeakKind kind);

namespace LeakColumn {
constexpr int Heap = 0, Address = 1, Size = 2, Kind = 3, Text = 4, Count = 5;
} // namespace LeakColumn
struct LeakRowTexts {
    HexText heap;
    HexText address;
    SizeText size;
    const char* kind;
    char text[kLeakTextBytes + 1];
    std::array<const char*, LeakColumn::Count> Cells() const { return {heap, address, size, kind, text}; }
};
void FormatLeakRow(std::uint32_t number, const LeakRow& row, AddressWidth width, LeakRowTexts& texts);
constexpr ListColumn kLeakColumns[] = {
    {LeakColumn::Heap, "Heap", 95, ColumnValues::Number},
    {LeakColumn::Address, "Block Address", 95, ColumnValues::Number},
    {LeakColumn::Size, "Block Size", 110, ColumnValues::NumberAndDecimal},
    {LeakColumn::Kind, "Kind", 90, ColumnValues::Text},
    {LeakColumn::Text, "Text", 130, ColumnValues::Text},
};
static_assert(std::size(kLeakColumns) == LeakColumn::Count && InColumnOrder(kLeakColumns), "one entry per column");

// The line that says what the search for leaks cannot see.
extern const char* const kLeakLimitsText;

// The line over the leaks: how far the reading has come while it runs, and
// the totals per kind and in all once it is done.
struct LeakProgress {
    SearchState state = SearchState::Running;
    std::uint64_t bytesRead = 0;
    std::uint64_t bytesTotal = 0;
    std::uint64_t bytesUnreadable = 0;
    bool marking = false; // everything is read; the pointers are followed
};
std::string LeakProgressText(const LeakProgress& progress);
std::string LeakTotalsText(const LeakTotals& totals, std::uint64_t bytesUnreadable);

} // namespace corvane
