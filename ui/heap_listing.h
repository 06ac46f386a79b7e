#pragma once

#include "heap/row_text.h"
#include "heap/services.h"
#include "ui/message_icon.h"

#include <cstdint>
#include <string>

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
    virtual void InsertNodeRow(std::uint32_t row, const HeapNodeRow& text) = 0;
    virtual void InsertBlockRow(std::uint32_t row, const HeapBlockRow& text) = 0;
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

// Fills the heap block list with the blocks of the heap at `heapBase`, from a
// fresh snapshot; `nodeRow` is the heap node row that was chosen. True when
// the list was filled, also when no heap matched.
bool ShowHeapBlocks(DebugInfoService& service, HeapListWindow& window, int nodeRow, std::uint32_t processId,
                    Address heapBase);

} // namespace corvane
