#include "heap/heap_snapshot.h"

namespace corvane {

BusyTotals CountBusyBlocks(const std::vector<HeapBlockCursor>& blocks) {
    BusyTotals totals;
    for (const HeapBlockCursor& block : blocks) {
        if (!IsBusyBlock(block)) continue;
        ++totals.blocks;
        totals.bytes = AddBytes(totals.bytes, block.size);
    }
    return totals;
}

SnapshotResult TakeHeapSnapshot(DebugInfoService& service, std::uint32_t processId, HeapSnapshot& snapshot,
                                std::string& error) {
    snapshot = HeapSnapshot{};
    snapshot.processId = processId;
    snapshot.width = AddressWidthOf(service.Layout());
    HeapQuery query(service, processId, false);
    if (query.result() == HeapQueryResult::ProcessEnded) return SnapshotResult::ProcessEnded;
    snapshot.heaps.reserve(query.heaps().size());
    std::vector<HeapEntry> entries;
    for (const HeapRecord& record : query.heaps()) {
        if (!query.ReadEntries(record, entries)) break;
        snapshot.heaps.push_back({record, WalkHeapBlocks(record, entries)});
    }
    if (query.result() == HeapQueryResult::Read) return SnapshotResult::Taken;
    error = query.FailureText();
    snapshot.heaps.clear();
    return SnapshotResult::Failed;
}

} // namespace corvane
