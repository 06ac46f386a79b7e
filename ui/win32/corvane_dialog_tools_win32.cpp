// The heap tools the main window opens over itself: the baseline and its
// comparison, the size statistics, the search of all blocks, the references
// between blocks and the leaks, and the block a tool asks to see.

#include "ui/win32/corvane_dialog_win32.h"

#include "heap/block_index.h"
#include "res/resource.h"
#include "ui/heap_references.h"
#include "ui/heap_tools.h"
#include "ui/win32/heap_map_dialog_win32.h"
#include "ui/win32/reference_dialogs_win32.h"
#include "ui/win32/watch_dialog_win32.h"

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
        std::unique_ptr<TargetMemory> memory = OpenMemory(dialog, chosen->processId);
        if (!memory) return;
        OpenTool(dialog, std::make_unique<CFindAllDlg>(chosen->heapBase, std::move(chosen->blocks), std::move(memory),
                                                       chosen->width));
    }

    static void HeapMap(CCorvaneDlg& dialog) {
        std::optional<ChosenBlocks> chosen = ChosenHeapBlocks(dialog);
        if (!chosen) return;
        SnapshotHeap heap;
        heap.record.base = chosen->heapBase;
        heap.blocks = std::move(chosen->blocks);
        OpenTool(dialog, std::make_unique<CHeapMapDlg>(std::move(heap), chosen->width));
    }

    static bool HasChosenProcess(CCorvaneDlg& dialog) { return dialog.ChosenProcessId().has_value(); }

    static void AskAddress(CCorvaneDlg& dialog) {
        if (dialog.GetSelectedProcessId() == -1) return;
        OpenTool(dialog, std::make_unique<CGoToAddressDlg>(AddressWidthOf(dialog.m_platform.DebugInfo().Layout())));
    }

    static void FindLeaks(CCorvaneDlg& dialog) {
        std::optional<ProcessParts> parts = PartsOfChosenProcess(dialog);
        if (!parts) return;
        OpenTool(dialog, std::make_unique<CLeaksDlg>(std::move(*parts)));
    }

    static void Watch(CCorvaneDlg& dialog) {
        const std::int32_t processId = dialog.GetSelectedProcessId();
        if (processId == -1) return;
        OpenTool(dialog, std::make_unique<CWatchDlg>(
                             dialog.m_platform.DebugInfo(), static_cast<std::uint32_t>(processId),
                             AddressWidthOf(dialog.m_platform.DebugInfo().Layout()), dialog.m_platform.Clock()));
    }

    static bool HasChosenBlock(CCorvaneDlg& dialog) { return ChosenBlockRow(dialog) >= 0; }
    static bool ShowsChosenBlock(CCorvaneDlg& dialog) {
        return dialog.m_dataList.IsWindowVisible() && ChosenBlockRow(dialog) >= 0;
    }

    static void WhoPointsHere(CCorvaneDlg& dialog) {
        const int row = ChosenBlockRow(dialog);
        if (row < 0) {
            dialog.ShowMessage("Please select a block in the heap block list.", MessageIcon::Information);
            return;
        }
        const HeapBlockCursor block = dialog.m_blockRows.ValuesOfRow(row);
        std::optional<ProcessParts> parts = PartsOfChosenProcess(dialog);
        if (!parts) return;
        OpenTool(dialog, std::make_unique<CWhoPointsHereDlg>(std::move(*parts), block.address, block.size));
    }

    static void PointersInBlock(CCorvaneDlg& dialog) {
        const int row = ChosenBlockRow(dialog);
        if (row < 0) return;
        const HeapBlockCursor block = dialog.m_blockRows.ValuesOfRow(row);
        const std::int32_t processId = dialog.GetSelectedProcessId();
        if (processId == -1) return;
        std::unique_ptr<TargetMemory> memory = OpenMemory(dialog, static_cast<std::uint32_t>(processId));
        if (!memory) return;
        // The bytes as they are now: the held copy has its letters folded
        // for the search.
        const std::size_t size = static_cast<std::size_t>(std::min<std::uint64_t>(block.size, kMaxHeapDataSize));
        std::vector<std::uint8_t> bytes(size);
        std::size_t read = 0;
        if (size != 0 && !memory->Read(block.address, bytes.data(), size, read)) {
            dialog.ShowMessage("The block's bytes could not be read: the process may have freed it or ended.",
                               MessageIcon::Warning);
            return;
        }
        const std::optional<HeapSnapshot> snapshot = TakeSnapshotOf(dialog, static_cast<std::uint32_t>(processId));
        if (!snapshot) return;
        const BlockIndex index(*snapshot, IndexUse::Values);
        std::vector<PointerRow> rows = PointerRows(
            corvane::PointersInBlock(index, bytes.data(), size, block.address, snapshot->width), index, *snapshot);
        std::string summary = PointersSummary(block.address, block.size, rows.size(), snapshot->width);
        OpenTool(dialog, std::make_unique<CPointersDlg>(std::move(rows), std::move(summary), snapshot->width));
    }

    static bool CanGoBack(CCorvaneDlg& dialog) { return !dialog.m_backSteps.empty(); }
    static void GoBack(CCorvaneDlg& dialog) { dialog.GoBack(); }

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

    // The process opened for reading, or null after telling the user.
    static std::unique_ptr<TargetMemory> OpenMemory(CCorvaneDlg& dialog, std::uint32_t processId) {
        std::unique_ptr<TargetMemory> memory = dialog.m_platform.Blocks().Open(processId);
        if (!memory) dialog.ShowMessage(kSaveTargetOpenFailedMessage, MessageIcon::Error);
        return memory;
    }

    // What reading a whole process takes, or nothing after telling the user
    // why not.
    static std::optional<ProcessParts> PartsOfChosenProcess(CCorvaneDlg& dialog) {
        const std::int32_t processId = dialog.GetSelectedProcessId();
        if (processId == -1) return std::nullopt;
        const auto id = static_cast<std::uint32_t>(processId);
        ProcessParts parts;
        parts.memory = OpenMemory(dialog, id);
        if (!parts.memory) return std::nullopt;
        std::optional<HeapSnapshot> snapshot = TakeSnapshotOf(dialog, id);
        if (!snapshot) return std::nullopt;
        parts.snapshot = std::move(*snapshot);
        std::string error;
        if (!dialog.m_platform.MemoryMap().Describe(id, parts.map, error)) {
            dialog.ShowMessage(error, MessageIcon::Error);
            return std::nullopt;
        }
        return parts;
    }

    static int ChosenBlockRow(CCorvaneDlg& dialog) {
        const int row = dialog.m_blockList.GetNextItem(-1, LVNI_SELECTED);
        return row >= 0 && static_cast<std::size_t>(row) < dialog.m_blockRows.RowCount() ? row : -1;
    }

    static void OpenTool(CCorvaneDlg& dialog, std::unique_ptr<CToolWindow> tool) {
        if (dialog.m_tool) return; // one at a time; the window is disabled meanwhile anyway
        dialog.m_tool = std::move(tool);
        if (!dialog.m_tool->Open(dialog, dialog.m_platform.Files())) {
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
        MapCommand<&ToolCommands::HeapMap>(ID_BLOCK_HEAP_MAP, 0),
        MapCommandEnabled<&ToolCommands::HasBlockRows>(ID_BLOCK_HEAP_MAP),
        MapCommand<&ToolCommands::AskAddress>(ID_NODE_GO_TO, 0),
        MapCommandEnabled<&ToolCommands::HasChosenProcess>(ID_NODE_GO_TO),
        MapCommand<&ToolCommands::AskAddress>(ID_BLOCK_GO_TO, 0),
        MapCommandEnabled<&ToolCommands::HasChosenProcess>(ID_BLOCK_GO_TO),
        MapCommand<&ToolCommands::FindLeaks>(ID_NODE_FIND_LEAKS, 0),
        MapCommandEnabled<&ToolCommands::HasHeapRows>(ID_NODE_FIND_LEAKS),
        MapCommand<&ToolCommands::Watch>(ID_NODE_WATCH, 0),
        MapCommandEnabled<&ToolCommands::HasHeapRows>(ID_NODE_WATCH),
        MapCommand<&ToolCommands::WhoPointsHere>(ID_BLOCK_WHO_POINTS, 0),
        MapCommandEnabled<&ToolCommands::HasChosenBlock>(ID_BLOCK_WHO_POINTS),
        MapCommand<&ToolCommands::WhoPointsHere>(ID_DUMP_WHO_POINTS, 0),
        MapCommandEnabled<&ToolCommands::ShowsChosenBlock>(ID_DUMP_WHO_POINTS),
        MapCommand<&ToolCommands::PointersInBlock>(ID_DUMP_POINTERS, 0),
        MapCommandEnabled<&ToolCommands::ShowsChosenBlock>(ID_DUMP_POINTERS),
        MapCommand<&ToolCommands::GoBack>(ID_DUMP_BACK, 0),
        MapCommandEnabled<&ToolCommands::CanGoBack>(ID_DUMP_BACK),
        MapMessage<&CCorvaneDlg::OnToolClosed>(WM_TOOL_CLOSED),
    };
    static const MessageMap map{&CShadedDialog::ThisMessageMap, entries, std::size(entries)};
    return &map;
}

LRESULT CCorvaneDlg::OnToolClosed(WPARAM, LPARAM) {
    if (!m_tool || m_tool->GetSafeHwnd()) return 0;
    const std::unique_ptr<CToolWindow> tool = std::move(m_tool);
    const std::optional<BlockPick> pick = tool->Pick();
    if (!pick) return 0;
    if (pick->goTo) {
        GoToAddress(*pick->goTo);
        return 0;
    }
    if (!GoToBlock(pick->heapBase, pick->address, pick->matchOffset, pick->lineOffset)) return 0;
    // A text search goes on from the match with Find Again.
    if (pick->matchOffset && pick->searchKind != PatternKind::HexBytes) {
        m_searchEdit.SetWindowText(pick->searchText.c_str());
        m_unicodeCheck.SetCheck(pick->searchKind == PatternKind::WideText ? BST_CHECKED : BST_UNCHECKED);
        ProgramSearchHistory().previousText = LowerCaseText(pick->searchText);
    }
    return 0;
}

void CCorvaneDlg::GoToAddress(Address address) {
    const std::int32_t processId = GetSelectedProcessId();
    if (processId == -1) return;
    const std::optional<HeapSnapshot> snapshot =
        ToolCommands::TakeSnapshotOf(*this, static_cast<std::uint32_t>(processId));
    if (!snapshot) return;
    const BlockIndex index(*snapshot, IndexUse::Addresses);
    if (const std::optional<IndexedBlock> block = index.Find(address)) {
        GoToBlock(snapshot->heaps[block->heap].record.base, block->address, std::nullopt, address - block->address);
        return;
    }
    ProcessMemoryMap map;
    std::string error;
    if (!m_platform.MemoryMap().Describe(static_cast<std::uint32_t>(processId), map, error)) {
        ShowMessage(error, MessageIcon::Error);
        return;
    }
    const AddressPlaces places(*snapshot, index, map);
    ShowMessage(AddressPlaceText(address, places.Locate(address), snapshot->width), MessageIcon::Information);
}

std::optional<CCorvaneDlg::ShownBlock> CCorvaneDlg::BlockShown() {
    const int nodeRow = m_nodeList.GetNextItem(-1, LVNI_SELECTED);
    const int blockRow = m_blockList.GetNextItem(-1, LVNI_SELECTED);
    if (!m_dataList.IsWindowVisible() || nodeRow < 0 || static_cast<std::size_t>(nodeRow) >= m_nodeRows.RowCount() ||
        blockRow < 0 || static_cast<std::size_t>(blockRow) >= m_blockRows.RowCount())
        return std::nullopt;
    return ShownBlock{m_nodeRows.ValuesOfRow(nodeRow).base, m_blockRows.ValuesOfRow(blockRow).address};
}

bool CCorvaneDlg::GoToBlock(Address heapBase, Address address, std::optional<std::uint64_t> matchOffset,
                            std::optional<std::uint64_t> lineOffset) {
    const std::optional<ShownBlock> before = BlockShown();
    if (!ShowBlockAt(heapBase, address, matchOffset, lineOffset)) return false;
    if (before && (before->heapBase != heapBase || before->address != address)) {
        if (m_backSteps.size() == kMostBackSteps) m_backSteps.erase(m_backSteps.begin());
        m_backSteps.push_back(*before);
    }
    return true;
}

bool CCorvaneDlg::GoBack() {
    if (m_backSteps.empty()) return false;
    const ShownBlock previous = m_backSteps.back();
    m_backSteps.pop_back();
    ShowBlockAt(previous.heapBase, previous.address);
    return true;
}

bool CCorvaneDlg::ShowBlockAt(Address heapBase, Address address, std::optional<std::uint64_t> matchOffset,
                              std::optional<std::uint64_t> lineOffset) {
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
    } else if (lineOffset && m_held.IsHeld() && *lineOffset < m_held.m_heapDataSize) {
        SelectDumpLine(kFirstDumpLine + static_cast<int>(*lineOffset / kDumpBytesPerLine));
        m_dataList.SetFocus();
    }
    return true;
}

} // namespace corvane
