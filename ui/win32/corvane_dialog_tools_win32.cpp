// The main window's keys, its lists' menus, sorting, copying and exporting,
// and the heap tools it opens over itself.

#include "ui/win32/corvane_dialog_win32.h"

#include "framework/app.h"
#include "framework/file_dialog.h"
#include "heap/row_text.h"
#include "res/resource.h"
#include "ui/heap_tools.h"
#include "ui/table_export.h"

#include <algorithm>
#include <cstring>
#include <optional>
#include <utility>

namespace corvane {

namespace {

// The lines of the dump list, for exporting them.
class DumpLines : public TableRows {
public:
    explicit DumpLines(const CListBox& list) : m_list(list) {}
    int ColumnCount() const override { return 1; }
    std::string Heading(int) const override { return {}; }
    std::size_t RowCount() const override {
        const int count = m_list.GetCount();
        return count > 0 ? static_cast<std::size_t>(count) : 0;
    }
    std::string_view Cell(std::size_t row, int) const override {
        m_line = m_list.GetText(static_cast<int>(row));
        return m_line;
    }

private:
    const CListBox& m_list; // not owned; the dialog's dump list
    mutable std::string m_line;
};

// The order of the block list by one of its columns: numbers as numbers,
// texts as texts; equal rows keep the walk's order.
bool BlockRowBefore(int column, const HeapBlockCursor& a, std::uint32_t numberA, const HeapBlockCursor& b,
                    std::uint32_t numberB) {
    switch (column) {
    case kBlockColumnAddress: return a.address < b.address;
    case kBlockColumnSize: return a.size < b.size;
    case kBlockColumnType: return std::strcmp(AllocationTypeText(a.kind), AllocationTypeText(b.kind)) < 0;
    case kBlockColumnStatus: return std::strcmp(StatusText(a.kind), StatusText(b.kind)) < 0;
    default: return numberA < numberB;
    }
}

} // namespace

BOOL CCorvaneDlg::PreTranslateMessage(MSG* message) {
    if (message->message != WM_KEYDOWN) return FALSE;
    const bool control = ::GetKeyState(VK_CONTROL) < 0;
    const bool dumpShown = m_dataList.IsWindowVisible();
    switch (message->wParam) {
    case VK_F5:
        if (control) return FALSE;
        OnOK();
        return TRUE;
    case VK_F3:
        if (control || !dumpShown) return FALSE;
        OnSearch();
        return TRUE;
    case 'F':
        if (!control || !dumpShown) return FALSE;
        m_searchEdit.SetFocus();
        m_searchEdit.SendMessage(EM_SETSEL, 0, -1);
        return TRUE;
    case 'C':
        if (!control) return FALSE;
        if (message->hwnd == m_nodeList.GetSafeHwnd()) {
            OnCopyNodeRow();
        } else if (message->hwnd == m_blockList.GetSafeHwnd()) {
            OnCopyBlockRow();
        } else if (message->hwnd == m_dataList.GetSafeHwnd()) {
            OnCopyDumpLine();
        } else {
            return FALSE; // the edit boxes copy their own text
        }
        return TRUE;
    default: return FALSE;
    }
}

LRESULT CCorvaneDlg::OnContextMenu(WPARAM wParam, LPARAM lParam) {
    const auto window = reinterpret_cast<HWND>(wParam);
    int popup = -1;
    if (window == m_nodeList.GetSafeHwnd()) popup = MENU_NODE_LIST;
    if (window == m_blockList.GetSafeHwnd()) popup = MENU_BLOCK_LIST;
    if (window == m_dataList.GetSafeHwnd()) popup = MENU_DUMP;
    if (popup < 0) return Default();

    const UniqueMenu menus(::LoadMenuA(ResourceModule(), MAKEINTRESOURCEA(IDR_LIST_MENUS)));
    const HMENU menu = menus ? ::GetSubMenu(menus.get(), popup) : nullptr;
    if (!menu) return 0;
    const auto enable = [menu](UINT command, bool enabled) {
        ::EnableMenuItem(menu, command, MF_BYCOMMAND | (enabled ? MF_ENABLED : MF_GRAYED));
    };
    const int nodeRow = m_nodeList.GetNextItem(-1, LVNI_SELECTED);
    const std::optional<std::int32_t> processId = ChosenProcessId();
    enable(ID_NODE_SET_BASELINE, processId && m_nodeRows.RowCount() != 0);
    enable(ID_NODE_COMPARE, processId && HasBaseline(static_cast<std::uint32_t>(*processId)));
    enable(ID_NODE_STATISTICS, nodeRow >= 0);
    enable(ID_NODE_COPY, m_nodeList.GetNextItem(-1, LVNI_FOCUSED) >= 0 || nodeRow >= 0);
    enable(ID_NODE_EXPORT, m_nodeRows.RowCount() != 0);
    enable(ID_BLOCK_FIND_ALL, m_blockRows.RowCount() != 0);
    enable(ID_BLOCK_COPY,
           m_blockList.GetNextItem(-1, LVNI_FOCUSED) >= 0 || m_blockList.GetNextItem(-1, LVNI_SELECTED) >= 0);
    enable(ID_BLOCK_EXPORT, m_blockRows.RowCount() != 0);
    enable(ID_DUMP_COPY, m_dataList.GetCurSel() >= 0);
    enable(ID_DUMP_EXPORT, m_dataList.GetCount() > 0);

    POINT at = {static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
    if (lParam == -1) {
        // From the keyboard: at the window's top left corner.
        at = {8, 8};
        ::ClientToScreen(window, &at);
    }
    ::TrackPopupMenu(menu, TPM_LEFTALIGN | TPM_RIGHTBUTTON, at.x, at.y, 0, m_hWnd, nullptr);
    return 0;
}

void CCorvaneDlg::OnColumnClickBlockList(NMHDR* header, LRESULT* result) {
    *result = 0;
    const int column = reinterpret_cast<const NMLISTVIEW*>(header)->iSubItem;
    m_blockSortAscending = column == m_blockSortColumn ? !m_blockSortAscending : true;
    m_blockSortColumn = column;
    SortBlockRows();
}

void CCorvaneDlg::SortBlockRows() {
    const int chosenRow = m_blockList.GetNextItem(-1, LVNI_SELECTED);
    const std::optional<std::uint32_t> chosen =
        chosenRow >= 0 ? std::optional<std::uint32_t>(m_blockRows.NumberOfRow(chosenRow)) : std::nullopt;
    const int column = m_blockSortColumn;
    const bool ascending = m_blockSortAscending;
    m_blockRows.Sort([column, ascending](const HeapBlockCursor& a, std::uint32_t numberA, const HeapBlockCursor& b,
                                         std::uint32_t numberB) {
        return ascending ? BlockRowBefore(column, a, numberA, b, numberB)
                         : BlockRowBefore(column, b, numberB, a, numberA);
    });
    // The heading shows the order where the list can draw it.
    const auto heading = reinterpret_cast<HWND>(m_blockList.SendMessage(LVM_GETHEADER));
    for (int i = 0; i < kBlockColumnCount; ++i) {
        HDITEMA item = {};
        item.mask = HDI_FORMAT;
        ::SendMessageA(heading, HDM_GETITEMA, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&item));
        item.fmt &= ~(HDF_SORTUP | HDF_SORTDOWN);
        if (i == column) item.fmt |= ascending ? HDF_SORTUP : HDF_SORTDOWN;
        ::SendMessageA(heading, HDM_SETITEMA, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&item));
    }
    if (chosen) {
        const int row = m_blockRows.RowOfNumber(*chosen);
        SelectRow(m_blockList, row, true);
    }
    m_blockList.Invalidate();
}

void CCorvaneDlg::SelectRow(CListCtrl& list, int row, bool quiet) {
    const bool wasQuiet = std::exchange(m_quietSelection, quiet);
    list.SetItemState(-1, 0, LVIS_SELECTED | LVIS_FOCUSED);
    if (row >= 0) {
        list.SetItemState(row, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
        list.EnsureVisible(row);
    }
    m_quietSelection = wasQuiet;
}

void CCorvaneDlg::CopyRow(const CListCtrl& list, const TableRows& rows) {
    int row = list.GetNextItem(-1, LVNI_SELECTED);
    if (row < 0) row = list.GetNextItem(-1, LVNI_FOCUSED);
    if (row < 0 || static_cast<std::size_t>(row) >= rows.RowCount()) return;
    PutOnClipboard(TabSeparatedRow(rows, static_cast<std::size_t>(row)));
}

void CCorvaneDlg::OnCopyNodeRow() { CopyRow(m_nodeList, m_nodeRows); }
void CCorvaneDlg::OnCopyBlockRow() { CopyRow(m_blockList, m_blockRows); }

void CCorvaneDlg::OnCopyDumpLine() {
    const int line = m_dataList.GetCurSel();
    if (line >= 0) PutOnClipboard(m_dataList.GetText(line) + "\r\n");
}

bool CCorvaneDlg::PutOnClipboard(const std::string& text) {
    if (!::OpenClipboard(m_hWnd)) {
        ShowMessage("The clipboard is in use by another program. Please try again.", MessageIcon::Warning);
        return false;
    }
    bool put = false;
    if (::EmptyClipboard()) {
        if (const HGLOBAL memory = ::GlobalAlloc(GMEM_MOVEABLE, text.size() + 1)) {
            if (void* bytes = ::GlobalLock(memory)) {
                std::memcpy(bytes, text.c_str(), text.size() + 1);
                ::GlobalUnlock(memory);
                put = ::SetClipboardData(CF_TEXT, memory) != nullptr;
            }
            // The clipboard owns the memory only once it took it.
            if (!put) ::GlobalFree(memory);
        }
    }
    ::CloseClipboard();
    if (!put) ShowMessage("The text could not be put on the clipboard.", MessageIcon::Warning);
    return put;
}

void CCorvaneDlg::ExportRows(const TableRows& rows, const char* fileName, bool csv) {
    CFileDialog dialog(
        FALSE, csv ? "csv" : "txt", fileName, OFN_PATHMUSTEXIST | OFN_OVERWRITEPROMPT,
        csv ? "CSV Files (*.csv)|*.csv|All Files (*.*)|*.*||" : "Text Files (*.txt)|*.txt|All Files (*.*)|*.*||", this);
    if (dialog.DoModal() != IDOK) return;
    const std::string path = dialog.GetPathName();
    const char* failure =
        csv ? ExportCsv(rows, m_platform.Files(), path) : ExportTextLines(rows, m_platform.Files(), path);
    if (failure) ShowMessage(failure, MessageIcon::Error);
}

void CCorvaneDlg::OnExportNodeRows() { ExportRows(m_nodeRows, "HeapNodes", true); }
void CCorvaneDlg::OnExportBlockRows() { ExportRows(m_blockRows, "HeapBlocks", true); }
void CCorvaneDlg::OnExportDump() { ExportRows(DumpLines(m_dataList), "HeapData", false); }

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
