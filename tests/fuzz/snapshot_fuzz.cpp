// Fuzz target: any bytes, taken as the memory around a debug-information
// buffer, go through the snapshot reader, the block walk and the row texts
// without reading outside the mapped memory and without crashing.

#include "heap/block_walk.h"
#include "heap/debug_buffer.h"
#include "tests/support/synthetic_snapshot.h"
#include "ui/heap_rows.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace {

constexpr corvane::Address kMapped = 0x00010000;

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace corvane;
    if (size < 2) return 0;
    const HeapRecordLayout layouts[] = {HeapRecordLayout::Classic32, HeapRecordLayout::Tagged32,
                                        HeapRecordLayout::Native64};
    const HeapRecordLayout layout = layouts[data[0] % 3];
    const bool checkEntries = (data[0] & 0x80) != 0;

    testing::SyntheticMemory memory;
    memory.Map(kMapped, size - 1);
    memory.Put(kMapped, data + 1, size - 1);

    const DebugBufferReader reader(memory, layout);
    std::vector<HeapRecord> heaps;
    std::string error;
    if (!reader.ReadHeaps(kMapped, checkEntries, heaps, error)) return 0;

    std::vector<HeapEntry> entries;
    HeapNodeRow nodeRow;
    HeapBlockRow blockRow;
    for (std::uint32_t i = 0; i < heaps.size() && i < 64; ++i) {
        FormatHeapNodeRow(i, heaps[i], AddressWidthOf(layout), nodeRow);
        if (!reader.ReadEntries(heaps[i], entries, error)) continue;
        if (entries.size() != heaps[i].entryCount) __builtin_trap();
        HeapBlockCursor cursor;
        std::uint32_t rows = 0;
        for (bool more = HeapBlockFirst(heaps[i], entries, cursor); more;
             more = HeapBlockNext(heaps[i], entries, cursor)) {
            if (cursor.entryIndex >= heaps[i].entryCount) __builtin_trap();
            FormatHeapBlockRow(rows++, cursor, AddressWidthOf(layout), blockRow);
        }
    }
    return 0;
}
