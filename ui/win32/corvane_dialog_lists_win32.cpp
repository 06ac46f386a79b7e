// The main window's heap node list and heap block list: their columns, their
// rows as numbers, picks, type-ahead, tips and the block list's order.

#include "ui/win32/corvane_dialog_win32.h"

#include "framework/redraw_suspended_win32.h"
#include "res/resource.h"
#include "ui/win32/controls_disabled_win32.h"

#include <cstring>
#include <iterator>
#include <optional>
#include <string>
#include <utility>

namespace corvane {

namespace {

constexpr DWORD kListExtendedStyle = LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT | LVS_EX_INFOTIP | LVS_EX_LABELTIP;

// The order of the block list by one of its columns: numbers as numbers,
// texts as texts; equal rows keep the walk's order.
bool BlockRowBefore(int column, const HeapBlockCursor& a, std::uint32_t numberA, const HeapBlockCursor& b,
                    std::uint32_t numberB) {
    switch (column) {
    case BlockColumn::Address: return a.address < b.address;
    case BlockColumn::Size: return a.size < b.size;
    case BlockColumn::Type: return std::strcmp(AllocationTypeText(a.kind), AllocationTypeText(b.kind)) < 0;
    case BlockColumn::Status: return std::strcmp(StatusText(a.kind), StatusText(b.kind)) < 0;
    default: return numberA < numberB;
    }
}

} // namespace

const MessageMap* CCorvaneDlg::ListsMessageMap() {
    static const MessageMapEntry entries[] = {
        MapNotify<&CCorvaneDlg::OnItemChangedNodeList>(IDC_NODE_LIST, LVN_ITEMCHANGED),
        MapNotify<&CCorvaneDlg::OnGetInfoTipNodeList>(IDC_NODE_LIST, LVN_GETINFOTIPA),
        MapNotify<&CCorvaneDlg::OnGetInfoTipBlockList>(IDC_BLOCK_LIST, LVN_GETINFOTIPA),
        MapNotify<&CCorvaneDlg::OnGetDispInfoNodeList>(IDC_NODE_LIST, LVN_GETDISPINFOA),
        MapNotify<&CCorvaneDlg::OnGetDispInfoBlockList>(IDC_BLOCK_LIST, LVN_GETDISPINFOA),
        MapNotify<&CCorvaneDlg::OnFindItemNodeList>(IDC_NODE_LIST, LVN_ODFINDITEMA),
        MapNotify<&CCorvaneDlg::OnFindItemNodeList>(IDC_NODE_LIST, LVN_ODFINDITEMW),
        MapNotify<&CCorvaneDlg::OnFindItemBlockList>(IDC_BLOCK_LIST, LVN_ODFINDITEMA),
        MapNotify<&CCorvaneDlg::OnFindItemBlockList>(IDC_BLOCK_LIST, LVN_ODFINDITEMW),
        MapNotify<&CCorvaneDlg::OnColumnClickBlockList>(IDC_BLOCK_LIST, LVN_COLUMNCLICK),
    };
    static const MessageMap map{&CCorvaneDlg::DumpMessageMap, entries, std::size(entries)};
    return &map;
}

void CCorvaneDlg::SetUpLists() {
    m_nodeList.SetExtendedStyle(kListExtendedStyle);
    // The flags are a 32-bit number in every process.
    m_nodeFit = LayOutColumns(m_nodeList, kNodeColumns, AddressWidthOf(m_platform.DebugInfo().Layout()),
                              NumberColumnWidth(m_nodeList, AddressWidth::Bits32));
    m_blockList.SetExtendedStyle(kListExtendedStyle);
    // The status reads "Allocated" or "Free".
    const int statusWidth = std::max(m_blockList.GetStringWidth(StatusText(BlockKind::None)),
                                     m_blockList.GetStringWidth(StatusText(BlockKind::Free)));
    m_blockFit = LayOutColumns(m_blockList, kBlockColumns, m_platform.Blocks().Width(), statusWidth + kCellMargins);
}

void CCorvaneDlg::OnItemChangedNodeList(NMHDR* header, LRESULT* result) {
    *result = 0;
    const auto* change = reinterpret_cast<const NMLISTVIEW*>(header);
    if (change->uNewState == 0 || m_quietSelection) return;
    ListBlocksOfNodeRow(change->iItem);
}

void CCorvaneDlg::ListBlocksOfNodeRow(int row) {
    const std::string baseText = m_nodeList.GetItemText(row, NodeColumn::Base);
    const std::optional<std::uint64_t> heapBase =
        ParseHexNumber(baseText, AddressWidthOf(m_platform.DebugInfo().Layout()));
    const std::int32_t processId = GetSelectedProcessId();
    if (processId == -1) return;
    if (!heapBase) {
        ClearBlockRows();
        ShowMessage(UnreadableNumberText(kNodeColumns[NodeColumn::Base].heading, baseText), MessageIcon::Error);
        return;
    }
    {
        const ControlsDisabled busy(*this, BusyLists::AlsoProcessAndNodeList);
        RedrawSuspended blocks(m_blockList);
        ShowHeapBlocks(m_platform.DebugInfo(), *this, row, static_cast<std::uint32_t>(processId), *heapBase,
                       m_platform.Clock());
    }
    m_nodeList.SetFocus();
}

void CCorvaneDlg::OnGetInfoTipNodeList(NMHDR* header, LRESULT* result) {
    reinterpret_cast<NMLVGETINFOTIPA*>(header)->pszText = m_nodeTip;
    *result = 0;
}

void CCorvaneDlg::OnGetInfoTipBlockList(NMHDR* header, LRESULT* result) {
    reinterpret_cast<NMLVGETINFOTIPA*>(header)->pszText = m_blockTip;
    *result = 0;
}

void CCorvaneDlg::OnGetDispInfoNodeList(NMHDR* header, LRESULT* result) {
    m_nodeRows.GiveText(*reinterpret_cast<NMLVDISPINFOA*>(header));
    *result = 0;
}

void CCorvaneDlg::OnGetDispInfoBlockList(NMHDR* header, LRESULT* result) {
    m_blockRows.GiveText(*reinterpret_cast<NMLVDISPINFOA*>(header));
    *result = 0;
}

void CCorvaneDlg::OnFindItemNodeList(NMHDR* header, LRESULT* result) { *result = m_nodeRows.Find(*header); }

void CCorvaneDlg::OnFindItemBlockList(NMHDR* header, LRESULT* result) { *result = m_blockRows.Find(*header); }

void CCorvaneDlg::OnColumnClickBlockList(NMHDR* header, LRESULT* result) {
    *result = 0;
    const int column = reinterpret_cast<const NMLISTVIEW*>(header)->iSubItem;
    m_blockSortAscending = column == m_blockSortColumn ? !m_blockSortAscending : true;
    m_blockSortColumn = column;
    SortBlockRows();
}

void CCorvaneDlg::SortBlockRows() {
    const int chosenRow = m_blockList.GetNextItem(-1, LVNI_SELECTED);
    const std::uint32_t chosen = chosenRow >= 0 ? m_blockRows.NumberOfRow(chosenRow) : 0;
    const int column = m_blockSortColumn;
    const bool ascending = m_blockSortAscending;
    m_blockRows.Sort([column, ascending](const HeapBlockCursor& a, std::uint32_t numberA, const HeapBlockCursor& b,
                                         std::uint32_t numberB) {
        return ascending ? BlockRowBefore(column, a, numberA, b, numberB)
                         : BlockRowBefore(column, b, numberB, a, numberA);
    });
    // The heading shows the order where the list can draw it.
    const auto heading = reinterpret_cast<HWND>(m_blockList.SendMessage(LVM_GETHEADER));
    for (int i = 0; i < BlockColumn::Count; ++i) {
        HDITEMA item = {};
        item.mask = HDI_FORMAT;
        ::SendMessageA(heading, HDM_GETITEMA, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&item));
        item.fmt &= ~(HDF_SORTUP | HDF_SORTDOWN);
        if (i == column) item.fmt |= ascending ? HDF_SORTUP : HDF_SORTDOWN;
        ::SendMessageA(heading, HDM_SETITEMA, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&item));
    }
    if (chosenRow >= 0) SelectRow(m_blockList, m_blockRows.RowOfNumber(chosen), true);
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

void CCorvaneDlg::ClearNodeRows() { m_nodeRows.Clear(m_nodeList); }
void CCorvaneDlg::ClearBlockRows() { m_blockRows.Clear(m_blockList); }

void CCorvaneDlg::ShowNodeRows(std::vector<HeapRecord> heaps, AddressWidth width) {
    m_nodeRows.Show(m_nodeList, std::move(heaps), width);
}

void CCorvaneDlg::ShowBlockRows(std::vector<HeapBlockCursor> blocks, AddressWidth width) {
    m_blockRows.Show(m_blockList, std::move(blocks), width);
    if (m_blockSortColumn >= 0) SortBlockRows();
}

void CCorvaneDlg::SetNodeColumnWidth(int column, int width) {
    width = ScaleToSystemDpi(width);
    m_nodeList.SetColumnWidth(column, column == NodeColumn::Flags ? m_nodeFit.LastColumnWidth(width) : width);
}

void CCorvaneDlg::SetBlockColumnWidth(int column, int width) {
    width = ScaleToSystemDpi(width);
    m_blockList.SetColumnWidth(column, column == BlockColumn::Status ? m_blockFit.LastColumnWidth(width) : width);
}

std::string CCorvaneDlg::NodeRowText(int row, int column) { return m_nodeList.GetItemText(row, column); }

std::string CCorvaneDlg::BlockRowText(int row, int column) { return m_blockList.GetItemText(row, column); }

int CCorvaneDlg::FirstSelectedNodeRow() { return m_nodeList.GetNextItem(-1, LVNI_SELECTED); }

int CCorvaneDlg::FirstSelectedBlockRow() { return m_blockList.GetNextItem(-1, LVNI_SELECTED); }

// No messages are dispatched during a fill: the title is drawn at once so
// that the progress shows.
void CCorvaneDlg::SetBlockFrameCaption(const std::string& caption) { m_blockGroup.SetTitleNow(caption); }

void CCorvaneDlg::FocusNodeList() { m_nodeList.SetFocus(); }

} // namespace corvane
