#pragma once

#include "heap/services.h"
#include "ui/heap_rows.h"
#include "ui/message_icon.h"

#include <cstdint>
#include <string>
#include <vector>

namespace corvane {

// What the heap listings do to the main window: its two list views, the dump
// list, the block list's frame, the view switch and message boxes.
class HeapListWindow {
public:
    virtual ~HeapListWindow() = default;
    virtual void ClearNodeRows() = 0;
    virtual void ClearBlockRows() = 0;
    virtual void ClearDumpLines() = 0;
    virtual void ShowPanel(int panel, int showCommand) = 0;
    // The rows of a list, as numbers: each row's texts are made from them,
    // with FormatHeapNodeRow or FormatHeapBlockRow at `width`, when the list
    // shows them.
    virtual void ShowNodeRows(std::vector<HeapRecord> heaps, AddressWidth width) = 0;
    virtual void ShowBlockRows(std::vector<HeapBlockCursor> blocks, AddressWidth width) = 0;
    virtual void SetNodeColumnWidth(int column, int width) = 0;
    virtual void SetBlockColumnWidth(int column, int width) = 0;
    virtual std::string NodeRowText(int row, int column) = 0;
    virtual void SetBlockFrameCaption(const std::string& caption) = 0;
    virtual void FocusNodeList() = 0;
    virtual void ShowMessage(const std::string& text, MessageIcon icon) = 0;
    // Rebuilds the process list, choosing `wantedId` again if it is still
    // listed; when it is not, the heap lists are emptied and the first
    // process is chosen.
    virtual bool RefreshProcessList(std::int32_t wantedId) = 0;
};

// Told once when the chosen process has ended since the process list was
// made; the process list is then refreshed.
extern const char* const kProcessEndedMessage;

// Fills the heap node list with one row per heap of the process, from a
// fresh snapshot. True when the list was filled.
bool ShowHeapNodes(DebugInfoService& service, HeapListWindow& window, std::uint32_t processId);

// A clock in milliseconds, for the progress of a long walk.
using MillisecondClock = std::uint64_t (*)();
// The steady clock of the machine.
std::uint64_t SteadyMilliseconds();

// Fills the heap block list with the blocks of the heap at `heapBase`, from a
// fresh snapshot; `nodeRow` is the heap node row that was chosen. True when
// the list was filled, also when no heap matched. A walk that runs long
// enough for a person to see shows its progress in the block list's frame,
// at most every kProgressPeriodMs by `clock`.
bool ShowHeapBlocks(DebugInfoService& service, HeapListWindow& window, int nodeRow, std::uint32_t processId,
                    Address heapBase, MillisecondClock clock = &SteadyMilliseconds);

} // namespace corvane
