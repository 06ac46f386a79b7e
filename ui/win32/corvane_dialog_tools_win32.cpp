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

const MessageMap* CCorvaneDlg::ToolsMessageMap() {
    static const MessageMapEntry entries[] = {
        MapCommand<&CCorvaneDlg::OnSetBaseline>(ID_NODE_SET_BASELINE, 0),
        MapCommand<&CCorvaneDlg::OnCompareWithBaseline>(ID_NODE_COMPARE, 0),
        MapCommand<&CCorvaneDlg::OnSizeStatistics>(ID_NODE_STATISTICS, 0),
        MapCommand<&CCorvaneDlg::OnFindInAllBlocks>(ID_BLOCK_FIND_ALL, 0),
        MapMessage<&CCorvaneDlg::OnToolClosed>(WM_TOOL_CLOSED),
    };
    static const MessageMap map{&CShadedDialog::ThisMessageMap, entries, std::size(entries)};
    return &map;
}

void CCorvaneDlg::OnSetBaseline() {
    const std::int32_t processId = GetSelectedProcessId();
    if (processId == -1) return;
    std::optional<HeapSnapshot> snapshot = TakeSnapshotOf(static_cast<std::uint32_t>(processId));
    if (!snapshot) return;
    ShowMessage(BaselineSetText(*snapshot), MessageIcon::Information);
    m_baselines[static_cast<std::uint32_t>(processId)] = std::move(*snapshot);
}

std::optional<HeapSnapshot> CCorvaneDlg::TakeSnapshotOf(std::uint32_t processId) {
    HeapSnapshot snapshot;
    std::string error;
    switch (TakeHeapSnapshot(m_platform.DebugInfo(), processId, snapshot, error)) {
    case SnapshotResult::Taken: return snapshot;
    case SnapshotResult::ProcessEnded:
        m_baselines.erase(processId);
        ShowMessage(kProcessEndedMessage, MessageIcon::Information);
        RefreshProcessList(static_cast<std::int32_t>(processId));
        return std::nullopt;
    case SnapshotResult::Failed: ShowMessage(error, MessageIcon::Error); return std::nullopt;
    }
    return std::nullopt;
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

void CCorvaneDlg::OpenTool(std::unique_ptr<CToolDialog> tool) {
    if (m_tool) return; // one at a time; the window is disabled meanwhile anyway
    m_tool = std::move(tool);
    if (!m_tool->Open(*this)) {
        m_tool.reset();
        ShowMessage("The window could not be opened.", MessageIcon::Error);
    }
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

void CCorvaneDlg::OnCompareWithBaseline() {
    const std::int32_t processId = GetSelectedProcessId();
    if (processId == -1) return;
    if (!HasBaseline(static_cast<std::uint32_t>(processId))) {
        ShowMessage("There is no baseline for this process yet: set one first.", MessageIcon::Information);
        return;
    }
    const std::optional<HeapSnapshot> current = TakeSnapshotOf(static_cast<std::uint32_t>(processId));
    if (!current) return;
    const HeapSnapshot& baseline = m_baselines.at(static_cast<std::uint32_t>(processId));
    OpenTool(std::make_unique<CCompareDlg>(CompareSnapshots(baseline, *current), current->width));
}

std::optional<CCorvaneDlg::ChosenBlocks> CCorvaneDlg::ChosenHeapBlocks() {
    const std::int32_t processId = GetSelectedProcessId();
    if (processId == -1) return std::nullopt;
    const int row = m_nodeList.GetNextItem(-1, LVNI_SELECTED);
    if (row < 0 || static_cast<std::size_t>(row) >= m_nodeRows.RowCount()) {
        ShowMessage("Please select a heap in the heap node list.", MessageIcon::Information);
        return std::nullopt;
    }
    const Address heapBase = m_nodeRows.ValuesOfRow(row).base;
    std::optional<HeapSnapshot> snapshot = TakeSnapshotOf(static_cast<std::uint32_t>(processId));
    if (!snapshot) return std::nullopt;
    for (SnapshotHeap& heap : snapshot->heaps) {
        if (heap.record.base == heapBase)
            return ChosenBlocks{static_cast<std::uint32_t>(processId), heapBase, snapshot->width,
                                std::move(heap.blocks)};
    }
    ShowMessage(HeapNotListedText(heapBase, snapshot->width), MessageIcon::Warning);
    return std::nullopt;
}

void CCorvaneDlg::OnSizeStatistics() {
    const std::optional<ChosenBlocks> chosen = ChosenHeapBlocks();
    if (!chosen) return;
    OpenTool(std::make_unique<CStatisticsDlg>(chosen->heapBase, ComputeSizeStatistics(chosen->blocks), chosen->width));
}

void CCorvaneDlg::OnFindInAllBlocks() {
    std::optional<ChosenBlocks> chosen = ChosenHeapBlocks();
    if (!chosen) return;
    std::unique_ptr<TargetMemory> memory = m_platform.Blocks().Open(chosen->processId);
    if (!memory) {
        ShowMessage(kSaveTargetOpenFailedMessage, MessageIcon::Error);
        return;
    }
    OpenTool(
        std::make_unique<CFindAllDlg>(chosen->heapBase, std::move(chosen->blocks), std::move(memory), chosen->width));
}

} // namespace corvane
