#include "heap/heap_snapshot.h"

#include <cstdio>

namespace corvane {

std::string HeapQueryFailedText(std::uint32_t status) {
    char text[96];
    std::snprintf(text, sizeof text, "Failed to query process heap information, error = 0x%.8x",
                  static_cast<unsigned>(status));
    return text;
}

std::string UnreadableSnapshotText(const std::string& detail) {
    return "Failed to read the heap information of the process: " + detail;
}

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
    if (!service.IsRunning(processId)) return SnapshotResult::ProcessEnded;
    const DebugBuffer buffer = CreateDebugBuffer(service);
    if (!buffer) {
        error = "Failed to create debug buffer for heap storage";
        return SnapshotResult::Failed;
    }
    if (const std::uint32_t status = service.Query(processId, kQueryHeapsWithEntries, buffer.get())) {
        if (!service.IsRunning(processId)) return SnapshotResult::ProcessEnded;
        error = HeapQueryFailedText(status);
        return SnapshotResult::Failed;
    }

    const DebugBufferReader reader(service.Memory(), service.Layout());
    std::vector<HeapRecord> heaps;
    std::string detail;
    std::vector<HeapEntry> entries;
    const auto unreadable = [&] {
        error = UnreadableSnapshotText(detail);
        snapshot.heaps.clear();
        return SnapshotResult::Failed;
    };
    if (!reader.ReadHeaps(buffer.get(), false, heaps, detail)) return unreadable();
    snapshot.heaps.reserve(heaps.size());
    for (const HeapRecord& record : heaps) {
        if (!reader.ReadEntries(record, entries, detail)) return unreadable();
        snapshot.heaps.push_back({record, WalkHeapBlocks(record, entries)});
    }
    return SnapshotResult::Taken;
}

} // namespace corvane
