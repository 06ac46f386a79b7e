// The heap tools the main window opens over itself: the baseline and its
// comparison, the size statistics and the search of all blocks, and the
// block a tool asks to see.

#include "ui/win32/corvane_dialog_win32.h"

#include "res/resource.h"
#include "ui/heap_tools.h"

#include <algorithm>
#include <iterator>
#include <optional>
#include <utility>

namespace corvane {

// The tools' commands, each with when its menu offers it.
struct CCorvaneDlg::ToolCommands {
    static bool HasHeapRows(CCorvaneDlg& dialog) {
        return dialog.ChosenProcessId() && dialog.m_nodeRows.RowCount() != 0;
    }

    static void SetBaseline(CCorvaneDlg& dialog) {
        const std::int32_t processId = dialog.GetSelectedProcessId();
        if (processId == -1) return;
        std::optional<HeapSnapshot> snapshot = TakeSnapshotOf(dialog, static_cast<std::uint32_t>(processId));
        if (!snapshot) return;
        dialog.ShowMessage(BaselineSetText(*snapshot), MessageIcon::Information);
        dialog.m_baselines[static_cast<std::uint32_t>(processId)] = std::move(*snapshot);
    }

    static bool HasBaselineOfChosenProcess(CCorvaneDlg& dialog) {
        const std::optional<std::int32_t> processId = dialog.ChosenProcessId();
        return processId && dialog.HasBaseline(static_cast<std::uint32_t>(*processId));
    }

    static void CompareWithBaseline(CCorvaneDlg& dialog) {
        const std::int32_t processId = dialog.GetSelectedProcessId();
        if (processId == -1) return;
        if (!dialog.HasBaseline(static_cast<std::uint32_t>(processId))) {
            dialog.ShowMessage("There is no baseline for this process yet: set one first.", MessageIcon::Information);
            return;
        }
        const std::optional<HeapSnapshot> current = TakeSnapshotOf(dialog, static_cast<std::uint32_t>(processId));
        if (!current) return;
        const HeapSnapshot& baseline = dialog.m_baselines.at(static_cast<std::uint32_t>(processId));
        OpenTool(dialog, std::make_unique<CCompareDlg>(CompareSnapshots(baseline, *current), current->width));
    }

    static bool HasChosenHeap(CCorvaneDlg& dialog) { return dialog.m_nodeList.GetNextItem(-1, LVNI_SELECTED) >= 0; }

    static void SizeStatistics(CCorvaneDlg& dialog) {
        const std::optional<ChosenBlocks> chosen = ChosenHeapBlocks(dialog);
        if (!chosen) return;
        OpenTool(dialog, std::make_unique<CStatisticsDlg>(chosen->heapBase, ComputeSizeStatistics(chosen->blocks),
                                                          chosen->width));
    }

    static bool HasBlockRows(CCorvaneDlg& dialog) { return dialog.m_blockRows.RowCount() != 0; }

    static void FindInAllBlocks(CCorvaneDlg& dialog) {
        std::optional<ChosenBlocks> chosen = ChosenHeapBlocks(dialog);
        if (!chosen) return;
        std::unique_ptr<TargetMemory> memory = dialog.m_platform.Blocks().Open(chosen->processId);
        if (!memory) {
            dialog.ShowMessage(kSaveTargetOpenFailedMessage, MessageIcon::Error);
            return;
        }
        OpenTool(dialog, std::make_unique<CFindAllDlg>(chosen->heapBase, std::move(chosen->blocks), std::move(memory),
                                                       chosen->width));
    }

private:
    // A fresh snapshot of the process, or nothing after telling the user
    // why; an ended process leaves the list and its baseline goes.
    static std::optional<HeapSnapshot> TakeSnapshotOf(CCorvaneDlg& dialog, std::uint32_t processId) {
        HeapSnapshot snapshot;
        std::string error;
        switch (TakeHeapSnapshot(dialog.m_platform.DebugInfo(), processId, snapshot, error)) {
        case SnapshotResult::Taken: return snapshot;
        case SnapshotResult::ProcessEnded:
            dialog.m_baselines.erase(processId);
            dialog.ShowMessage(kProcessEndedMessage, MessageIcon::Information);
            dialog.RefreshProcessList(static_cast<std::int32_t>(processId));
            return std::nullopt;
        case SnapshotResult::Failed: dialog.ShowMessage(error, MessageIcon::Error); return std::nullopt;
        }
        return std::nullopt;
    }

    // The chosen heap of the chosen process, with its blocks as a fresh
    // snapshot has them.
    struct ChosenBlocks {
        std::uint32_t processId = 0;
        Address heapBase = 0;
        AddressWidth width = AddressWidth::Bits32;
        std::vector<HeapBlockCursor> blocks;
    };
    // Nothing after telling the user what to choose or why it failed.
    static std::optional<ChosenBlocks> ChosenHeapBlocks(CCorvaneDlg& dialog) {
        const std::int32_t processId = dialog.GetSelectedProcessId();
        if (processId == -1) return std::nullopt;
        const int row = dialog.m_nodeList.GetNextItem(-1, LVNI_SELECTED);
        if (row < 0 || static_cast<std::size_t>(row) >= dialog.m_nodeRows.RowCount()) {
            dialog.ShowMessage("Please select a heap in the heap node list.", MessageIcon::Information);
            return std::nullopt;
        }
        const Address heapBase = dialog.m_nodeRows.ValuesOfRow(row).base;
        std::optional<HeapSnapshot> snapshot = TakeSnapshotOf(dialog, static_cast<std::uint32_t>(processId));
        if (!snapshot) return std::nullopt;
        for (SnapshotHeap& heap : snapshot->heaps) {
            if (heap.record.base == heapBase)
                return ChosenBlocks{static_cast<std::uint32_t>(processId), heapBase, snapshot->width,
                                    std::move(heap.blocks)};
        }
        dialog.ShowMessage(HeapNotListedText(heapBase, snapshot->width), MessageIcon::Warning);
        return std::nullopt;
    }

    static void OpenTool(CCorvaneDlg& dialog, std::unique_ptr<CToolDialog> tool) {
        if (dialog.m_tool) return; // one at a time; the window is disabled meanwhile anyway
        dialog.m_tool = std::move(tool);
        if (!dialog.m_tool->Open(dialog)) {
            dialog.m_tool.reset();
            dialog.ShowMessage("The window could not be opened.", MessageIcon::Error);
        }
    }
};

const MessageMap* CCorvaneDlg::ToolsMessageMap() {
    static const MessageMapEntry entries[] = {
        MapCommand<&ToolCommands::SetBaseline>(ID_NODE_SET_BASELINE, 0),
        MapCommandEnabled<&ToolCommands::HasHeapRows>(ID_NODE_SET_BASELINE),
        MapCommand<&ToolCommands::CompareWithBaseline>(ID_NODE_COMPARE, 0),
        MapCommandEnabled<&ToolCommands::HasBaselineOfChosenProcess>(ID_NODE_COMPARE),
        MapCommand<&ToolCommands::SizeStatistics>(ID_NODE_STATISTICS, 0),
        MapCommandEnabled<&ToolCommands::HasChosenHeap>(ID_NODE_STATISTICS),
        MapCommand<&ToolCommands::FindInAllBlocks>(ID_BLOCK_FIND_ALL, 0),
        MapCommandEnabled<&ToolCommands::HasBlockRows>(ID_BLOCK_FIND_ALL),
        MapMessage<&CCorvaneDlg::OnToolClosed>(WM_TOOL_CLOSED),
    };
    static const MessageMap map{&CShadedDialog::ThisMessageMap, entries, std::size(entries)};
    return &map;
}

LRESULT CCorvaneDlg::OnToolClosed(WPARAM, LPARAM) {
    if (!m_tool || m_tool->GetSafeHwnd()) return 0;
    const std::unique_ptr<CToolDialog> tool = std::move(m_tool);
    const std::optional<BlockPick> pick = tool->Pick();
    if (!pick) return 0;
    if (!ShowBlockAt(pick->heapBase, pick->address, pick->matchOffset)) return 0;
    // A text search goes on from the match with Find Again.
    if (pick->matchOffset && pick->searchKind != PatternKind::HexBytes) {
        m_searchEdit.SetWindowText(pick->searchText.c_str());
        m_unicodeCheck.SetCheck(pick->searchKind == PatternKind::WideText ? BST_CHECKED : BST_UNCHECKED);
        ProgramSearchHistory().previousText = LowerCaseText(pick->searchText);
    }
    return 0;
}

bool CCorvaneDlg::ShowBlockAt(Address heapBase, Address address, std::optional<std::uint64_t> matchOffset) {
    const AddressWidth width = AddressWidthOf(m_platform.DebugInfo().Layout());
    int nodeRow = -1;
    for (int row = 0; row < static_cast<int>(m_nodeRows.RowCount()); ++row)
        if (m_nodeRows.ValuesOfRow(row).base == heapBase) nodeRow = row;
    if (nodeRow < 0) {
        ShowMessage(HeapNotListedText(heapBase, width), MessageIcon::Warning);
        return false;
    }
    // The blocks are walked afresh, as a pick of the heap walks them.
    if (m_nodeList.GetNextItem(-1, LVNI_SELECTED) == nodeRow) {
        m_nodeList.EnsureVisible(nodeRow);
        ListBlocksOfNodeRow(nodeRow);
    } else {
        SelectRow(m_nodeList, nodeRow, false);
    }
    int blockRow = -1;
    const std::vector<HeapBlockCursor>& blocks = m_blockRows.AllValues();
    for (std::size_t i = 0; i < blocks.size(); ++i)
        if (blocks[i].address == address) blockRow = m_blockRows.RowOfNumber(static_cast<std::uint32_t>(i));
    if (blockRow < 0) {
        ShowMessage(BlockNotListedText(address, width), MessageIcon::Warning);
        return false;
    }
    SelectRow(m_blockList, -1, true);
    SelectRow(m_blockList, blockRow, false);
    if (matchOffset && m_held.IsHeld()) {
        const auto offset = static_cast<std::uint32_t>(std::min<std::uint64_t>(*matchOffset, UINT32_MAX));
        ApplySearchAnswer(MatchAnswer(m_held, offset, ProgramSearchHistory()), *this);
        m_dataList.SetFocus();
    }
    return true;
}

} // namespace corvane
