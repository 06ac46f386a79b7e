#include "ui/heap_listing.h"

#include "heap/block_walk.h"
#include "heap/heap_query.h"
#include "ui/view_switch.h"

#include <chrono>
#include <string>
#include <utility>
#include <vector>

namespace corvane {

namespace {

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

// Tells why a query listed nothing, and returns false. When the process has
// ended, the user hears that once and the process list no longer offers it;
// any other failure is an error, in `texts` where the caller words it.
bool ReportFailedQuery(const HeapQuery& query, HeapListWindow& window, std::uint32_t processId,
                       const HeapQueryTexts& texts = {}) {
    if (query.result() == HeapQueryResult::ProcessEnded) {
        window.ShowMessage(kProcessEndedMessage, MessageIcon::Information);
        window.RefreshProcessList(static_cast<std::int32_t>(processId));
    } else {
        window.ShowMessage(query.FailureText(texts), MessageIcon::Error);
    }
    return false;
}

} // namespace

const char* const kProcessEndedMessage = "The process has ended. The process list has been refreshed.";

bool ShowHeapNodes(DebugInfoService& service, HeapListWindow& window, std::uint32_t processId) {
    window.ClearNodeRows();
    window.ClearBlockRows();
    window.ClearDumpLines();
    window.ShowPanel(PANEL_HEAPNODES, kShowCommand);
    window.ShowPanel(PANEL_HEAPDATA, kHideCommand);

    // Where the full query fails, the heaps' summary alone still lists them.
    HeapQuery query(service, processId, true, [&](Address buffer) {
        window.ShowMessage("First level heap enumeration failed", MessageIcon::Plain);
        return service.Query(processId, kQueryHeapSummary, buffer);
    });
    if (query.result() != HeapQueryResult::Read)
        return ReportFailedQuery(query, window, processId,
                                 {"Failed to create debug buffer for heap storage due to insufficient memory",
                                  "Second level heap enumeration failed"});

    std::vector<HeapRecord>& heaps = query.heaps();
    window.SetNodeColumnWidth(NodeColumn::Flags, NodeFlagsColumnWidth(static_cast<std::uint32_t>(heaps.size())));
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

    HeapQuery query(service, processId, false);
    if (query.result() != HeapQueryResult::Read) return ReportFailedQuery(query, window, processId);

    window.SetBlockColumnWidth(BlockColumn::Status,
                               BlockStatusColumnWidth(window.NodeRowText(nodeRow, NodeColumn::BlockCount)));

    for (const HeapRecord& heap : query.heaps()) {
        if (heap.base != heapBase) continue;
        std::vector<HeapEntry> entries;
        if (!query.ReadEntries(heap, entries)) {
            window.ShowMessage(query.FailureText(), MessageIcon::Error);
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
    return query.result() == HeapQueryResult::Read;
}

} // namespace corvane
