#include "ui/heap_references.h"

#include "heap/row_text.h"

#include <cstdio>

namespace corvane {

namespace {

std::string Hex(std::uint64_t value, AddressWidth width) {
    HexText text;
    FormatHex(value, width, text);
    return text;
}

// An offset as a short hexadecimal number: "+0x18".
std::string Offset(std::uint64_t offset) {
    char text[24];
    std::snprintf(text, sizeof text, "+0x%llx", static_cast<unsigned long long>(offset));
    return text;
}

template <std::size_t N> void CopyText(const std::string& text, char (&to)[N]) {
    std::snprintf(to, N, "%s", text.c_str());
}

// The typed text as a message quotes it: trimmed, and cut when long.
std::string Quoted(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
        text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t'))
        text.remove_suffix(1);
    constexpr std::size_t kMostQuoted = 40;
    return "\"" + std::string(text.substr(0, kMostQuoted)) + (text.size() > kMostQuoted ? "...\"" : "\"");
}

} // namespace

std::optional<Address> ParseTypedAddress(std::string_view text, AddressWidth width, std::string& message) {
    if (const std::optional<std::uint64_t> value = ParseHexNumber(text, width)) return *value;
    if (text.find_first_not_of(" \t") == std::string_view::npos) {
        message = "Please type an address, in hexadecimal.";
    } else if (ParseHexNumber(text, AddressWidth::Bits64)) {
        message = Quoted(text) + " is not an address of a 32-bit process: it needs more than 8 hexadecimal digits.";
    } else {
        message = Quoted(text) + " is not an address: type hexadecimal digits, with or without 0x.";
    }
    return std::nullopt;
}

std::string AddressPlaceText(Address address, const AddressPlace& place, AddressWidth width) {
    const std::string at = Hex(address, width);
    switch (place.kind) {
    case PlaceKind::BusyBlock:
    case PlaceKind::FreeBlock:
        return at + " lies in the block at " + Hex(place.start, width) + ", at " + Offset(place.offset) + ".";
    case PlaceKind::Heap:
        return at + " lies in the heap at " + Hex(place.heapBase, width) + ", but in none of its blocks.";
    case PlaceKind::Stack:
        return at + " lies in no heap block: it is on the stack of thread " + std::to_string(place.threadId) + ".";
    case PlaceKind::Module:
        return at + " lies in no heap block: it is in the module " + place.module + ", at " + Offset(place.offset) +
               ".";
    case PlaceKind::Private: return at + " lies in no heap block: it is in other private memory of the process.";
    case PlaceKind::Mapped: return at + " lies in no heap block: it is in memory mapped into the process.";
    case PlaceKind::Image: return at + " lies in no heap block: it is in an image the process has mapped.";
    case PlaceKind::Uncommitted: break;
    }
    return at + " lies in no committed memory of the process.";
}

std::vector<PointerRow> PointerRows(const std::vector<BlockPointer>& pointers, const BlockIndex& index,
                                    const HeapSnapshot& snapshot) {
    std::vector<PointerRow> rows;
    rows.reserve(pointers.size());
    for (const BlockPointer& pointer : pointers) {
        const IndexedBlock target = index.BusyBlock(pointer.target);
        rows.push_back({pointer.offset, pointer.value, snapshot.heaps[target.heap].record.base, target.address,
                        target.size, pointer.value - target.address});
    }
    return rows;
}

std::string PointersSummary(Address block, std::uint64_t size, std::size_t pointers, AddressWidth width) {
    return "The block at " + Hex(block, width) + " (" + GroupedDecimal(size) + " bytes) holds " +
           GroupedDecimal(pointers) + (pointers == 1 ? " value that points" : " values that point") +
           " into blocks in use.\nDouble-click one to see the block it points into; Alt+Left comes back.";
}

void FormatPointerRow(std::uint32_t, const PointerRow& row, AddressWidth width, PointerRowTexts& texts) {
    FormatSizeText(row.offset, width, texts.offset);
    FormatHex(row.value, width, texts.value);
    FormatHex(row.heapBase, width, texts.heap);
    FormatHex(row.blockAddress, width, texts.address);
    FormatSizeText(row.blockSize, width, texts.size);
    FormatSizeText(row.offsetInBlock, width, texts.offsetInBlock);
}

std::string WhereText(const AddressPlace& place, AddressWidth width) {
    switch (place.kind) {
    case PlaceKind::BusyBlock:
        return "Heap " + Hex(place.heapBase, width) + ", block " + Hex(place.start, width) + " " + Offset(place.offset);
    case PlaceKind::FreeBlock:
        return "Heap " + Hex(place.heapBase, width) + ", free block " + Hex(place.start, width) + " " +
               Offset(place.offset);
    case PlaceKind::Heap: return "Heap " + Hex(place.heapBase, width) + ", outside its blocks";
    case PlaceKind::Stack: return "Stack of thread " + std::to_string(place.threadId);
    case PlaceKind::Module: return place.module + Offset(place.offset);
    case PlaceKind::Private: return "Private memory";
    case PlaceKind::Mapped: return "Mapped memory";
    case PlaceKind::Image: return "Image memory";
    case PlaceKind::Uncommitted: break;
    }
    return "Uncommitted memory";
}

void FormatReferrerRow(std::uint32_t, const ReferrerRow& row, AddressWidth width, ReferrerRowTexts& texts) {
    CopyText(WhereText(row.place, width), texts.where);
    FormatHex(row.address, width, texts.address);
    FormatHex(row.value, width, texts.value);
}

const char* LeakKindText(LeakKind kind) { return kind == LeakKind::Unreachable ? "Unreachable" : "Unreferenced"; }

void FormatLeakRow(std::uint32_t, const LeakRow& row, AddressWidth width, LeakRowTexts& texts) {
    FormatHex(row.heapBase, width, texts.heap);
    FormatHex(row.address, width, texts.address);
    FormatSizeText(row.size, width, texts.size);
    texts.kind = LeakKindText(row.kind);
    CopyText(std::string(row.text.data()), texts.text);
}

const char* const kLeakLimitsText = "Values held only in registers are not seen, and any value that looks like a "
                                    "pointer keeps a block alive.";

std::string LeakProgressText(const LeakProgress& progress) {
    const std::string read = Mebibytes(progress.bytesRead) + " of " + Mebibytes(progress.bytesTotal);
    std::string text;
    switch (progress.state) {
    case SearchState::Running:
        text = progress.marking ? "Following the pointers found in " + Mebibytes(progress.bytesRead) + "..."
                                : "Reading the process... " + read + ".";
        break;
    case SearchState::Stopped:
        text = "Stopped after " + read + ": leaks are known only once all of the process is read.";
        break;
    case SearchState::Done: text = "Done: " + Mebibytes(progress.bytesRead) + " read."; break;
    }
    return text;
}

std::string LeakTotalsText(const LeakTotals& totals, std::uint64_t bytesUnreadable) {
    const auto kind = [&](LeakKind of) {
        const auto at = static_cast<std::size_t>(of);
        return std::string(LeakKindText(of)) + ": " + BlocksAndBytes(totals.blocks[at], totals.bytes[at]);
    };
    std::string text = kind(LeakKind::Unreferenced) + ". " + kind(LeakKind::Unreachable) + ". In all: " +
                       BlocksAndBytes(totals.blocks[0] + totals.blocks[1], totals.bytes[0] + totals.bytes[1]) + ".";
    if (bytesUnreadable) text += "\n" + Mebibytes(bytesUnreadable) + " could not be read.";
    return text;
}

} // namespace corvane
