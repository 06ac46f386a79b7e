#include "ui/heap_listing.h"

#include "heap/block_walk.h"
#include "heap/heap_snapshot.h"
#include "ui/view_switch.h"

#include <chrono>
#include <string>
#include <utility>
#include <vector>

namespace corvane {

namespace {

// Reads the heap records of a filled buffer; a malformed one is reported.
bool ReadHeapRecords(const DebugBufferReader& reader, HeapListWindow& window, Address buffer, bool withEntries,
                     std::vector<HeapRecord>& heaps) {
    std::string error;
    if (reader.ReadHeaps(buffer, withEntries, heaps, error)) return true;
    window.ShowMessage(UnreadableSnapshotText(error), MessageIcon::Error);
    return false;
}

// Tells what the snapshot's source could not read: heaps left out in a
// message, and a process none of whose heaps could be read in the block
// list's frame, where the blocks would be.
void ShowSnapshotNotes(const SnapshotNotes& notes, HeapListWindow& window) {
    window.SetBlockFrameCaption(notes.unreadable.empty() ? std::string(kBlockFrameCaption)
                                                         : std::string(kBlockFrameCaption) + " - " + notes.unreadable);
    if (notes.brokenHeaps.empty()) return;
    // A process may have thousands of heaps: a message box names the first
    // few and counts the rest, so that it still fits on the screen.
    constexpr std::size_t kMostNamed = 10;
    std::string text = "Some heaps of this process could not be read and are not listed:";
    const std::size_t broken = notes.brokenHeaps.size();
    for (std::size_t i = 0; i < broken && i < kMostNamed; ++i)
        text += "\n" + notes.brokenHeaps[i].text;
    if (broken > kMostNamed) text += "\n... and " + std::to_string(broken - kMostNamed) + " more.";
    window.ShowMessage(text, MessageIcon::Warning);
}

// When the process has ended, the user hears that once and the process list
// no longer offers it. Asked before a query, since some systems answer a query
// of an ended process with an empty snapshot, and again after a failed one,
// since the process may end in between.
bool ReportedAsEnded(DebugInfoService& service, HeapListWindow& window, std::uint32_t processId) {
    if (service.IsRunning(processId)) return false;
    window.ShowMessage(kProcessEndedMessage, MessageIcon::Information);
    window.RefreshProcessList(static_cast<std::int32_t>(processId));
    return true;
}

} // namespace

const char* const kProcessEndedMessage = "The process has ended. The process list has been refreshed.";

bool ShowHeapNodes(DebugInfoService& service, HeapListWindow& window, std::uint32_t processId) {
    window.ClearNodeRows();
    window.ClearBlockRows();
    window.ClearDumpLines();
    window.ShowPanel(PANEL_HEAPNODES, kShowCommand);
    window.ShowPanel(PANEL_HEAPDATA, kHideCommand);

    if (ReportedAsEnded(service, window, processId)) return false;
    const DebugBuffer buffer = CreateDebugBuffer(service);
    if (!buffer) {
        window.ShowMessage("Failed to create debug buffer for heap storage due to insufficient memory",
                           MessageIcon::Error);
        return false;
    }

    bool withEntries = true;
    if (service.Query(processId, kQueryHeapsWithEntries, buffer.get()) != 0) {
        if (ReportedAsEnded(service, window, processId)) return false;
        window.ShowMessage("First level heap enumeration failed", MessageIcon::Plain);
        if (service.Query(processId, kQueryHeapSummary, buffer.get()) != 0) {
            window.ShowMessage("Second level heap enumeration failed", MessageIcon::Error);
            return false;
        }
        withEntries = false;
    }

    std::vector<HeapRecord> heaps;
    const DebugBufferReader reader(service.Memory(), service.Layout());
    if (!ReadHeapRecords(reader, window, buffer.get(), withEntries, heaps)) return false;

    window.SetNodeColumnWidth(kNodeColumnFlags, NodeFlagsColumnWidth(static_cast<std::uint32_t>(heaps.size())));
    window.ShowNodeRows(std::move(heaps), AddressWidthOf(service.Layout()));
    window.FocusNodeList();
    ShowSnapshotNotes(service.Notes(), window);
    return true;
}

std::uint64_t SteadyMilliseconds() {
    return static_cast<std::uint64_t>(
        std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch())
            .count());
}

bool ShowHeapBlocks(DebugInfoService& service, HeapListWindow& window, int nodeRow, std::uint32_t processId,
                    Address heapBase, MillisecondClock clock) {
    window.ClearBlockRows();

    if (ReportedAsEnded(service, window, processId)) return false;
    const DebugBuffer buffer = CreateDebugBuffer(service);
    if (!buffer) {
        window.ShowMessage("Failed to create debug buffer for heap storage", MessageIcon::Error);
        return false;
    }
    if (const std::uint32_t status = service.Query(processId, kQueryHeapsWithEntries, buffer.get())) {
        if (ReportedAsEnded(service, window, processId)) return false;
        window.ShowMessage(HeapQueryFailedText(status), MessageIcon::Error);
        return false;
    }

    std::vector<HeapRecord> heaps;
    const DebugBufferReader reader(service.Memory(), service.Layout());
    if (!ReadHeapRecords(reader, window, buffer.get(), false, heaps)) return false;

    window.SetBlockColumnWidth(kBlockColumnStatus,
                               BlockStatusColumnWidth(window.NodeRowText(nodeRow, kNodeColumnBlockCount)));

    bool listed = true;
    for (const HeapRecord& heap : heaps) {
        if (heap.base != heapBase) continue;
        std::vector<HeapEntry> entries;
        std::string error;
        if (!reader.ReadEntries(heap, entries, error)) {
            window.ShowMessage(UnreadableSnapshotText(error), MessageIcon::Error);
            listed = false;
            break;
        }
        // The rows are kept as numbers and shown at once; only a walk long
        // enough for a person to notice shows its progress.
        std::uint64_t lastShown = clock();
        std::vector<HeapBlockCursor> blocks = WalkHeapBlocks(heap, entries, [&](std::uint32_t rows) {
            if (!IsProgressRow(rows)) return;
            const std::uint64_t now = clock();
            if (now - lastShown < kProgressPeriodMs) return;
            lastShown = now;
            window.SetBlockFrameCaption(ProgressCaption(rows, heap.entryCount));
        });
        window.ShowBlockRows(std::move(blocks), AddressWidthOf(service.Layout()));
        break; // only the first heap with that base is listed
    }
    window.SetBlockFrameCaption(kBlockFrameCaption);
    // A heap that could not be read this time says so, rather than leaving
    // an empty list without a word.
    for (const BrokenHeap& broken : service.Notes().brokenHeaps)
        if (broken.base == heapBase) window.ShowMessage(broken.text, MessageIcon::Warning);
    return listed;
}

} // namespace corvane
