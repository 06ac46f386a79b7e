#include "ui/heap_rows.h"

#include <cstdio>

namespace corvane {

const char* const kBlockFrameCaption = "Heap Blocks List";

// The texts in the order of the column enums.
std::array<const char*, NodeColumn::Count> HeapNodeRow::Cells() const {
    return {index, base, blockCount, committed, allocated, flags};
}

std::array<const char*, BlockColumn::Count> HeapBlockRow::Cells() const {
    return {index, address, size, allocationType, status};
}

void FormatHeapNodeRow(std::uint32_t position, const HeapRecord& heap, AddressWidth width, HeapNodeRow& row) {
    FormatDecimal32(static_cast<std::int32_t>(position + 1), row.index);
    FormatHex(heap.base, width, row.base);
    FormatDecimal32(static_cast<std::int32_t>(heap.entryCount), row.blockCount);
    FormatHex(heap.bytesCommitted, width, row.committed);
    FormatHex(heap.bytesAllocated, width, row.allocated);
    FormatHex(heap.flags, AddressWidth::Bits32, row.flags);
}

void FormatHeapBlockRow(std::uint32_t rowIndex, const HeapBlockCursor& cursor, AddressWidth width, HeapBlockRow& row) {
    FormatDecimal32(static_cast<std::int32_t>(rowIndex + 1), row.index);
    FormatHex(cursor.address, width, row.address);
    FormatHex(cursor.size, width, row.size);
    row.allocationType = AllocationTypeText(cursor.kind);
    row.status = StatusText(cursor.kind);
}

int NodeFlagsColumnWidth(std::uint32_t heapCount) { return heapCount < 14 ? 104 : 88; }

int BlockStatusColumnWidth(std::string_view blockCountText) {
    const auto count = static_cast<std::uint32_t>(ParseDecimalText(blockCountText));
    return count < 12 ? 147 : 130;
}

bool IsProgressRow(std::uint32_t rowsDone) { return rowsDone != 0 && rowsDone % kProgressInterval == 0; }

std::string ProgressCaption(std::uint32_t rowsDone, std::uint32_t entryCount) {
    char text[96];
    std::snprintf(text, sizeof text, "Heap Blocks List - Processing %d of %d blocks...",
                  static_cast<int>(static_cast<std::int32_t>(rowsDone)),
                  static_cast<int>(static_cast<std::int32_t>(entryCount)));
    return text;
}

std::string UnreadableNumberText(const char* column, std::string_view text) {
    return std::string("The ") + column + " \"" + std::string(text) + "\" cannot be read as a number.";
}

} // namespace corvane
