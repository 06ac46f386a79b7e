// The main window's heap data panel: a block's dump, its search row and its
// save.

#include "ui/win32/corvane_dialog_win32.h"

#include "framework/file_dialog_win32.h"
#include "res/resource.h"
#include "ui/win32/controls_disabled_win32.h"

#include <iterator>

namespace corvane {

const MessageMap* CCorvaneDlg::DumpMessageMap() {
    static const MessageMapEntry entries[] = {
        MapNotify<&CCorvaneDlg::OnItemChangedBlockList>(IDC_BLOCK_LIST, LVN_ITEMCHANGED),
        MapCommand<&CCorvaneDlg::OnCloseHeapData>(IDC_CLOSE_DATA, BN_CLICKED),
        MapCommand<&CCorvaneDlg::OnSave>(IDC_SAVE_DATA, BN_CLICKED),
        MapCommand<&CCorvaneDlg::OnSearch>(IDC_SEARCH, BN_CLICKED),
    };
    static const MessageMap map{&CCorvaneDlg::CopyMessageMap, entries, std::size(entries)};
    return &map;
}

void CCorvaneDlg::OnItemChangedBlockList(NMHDR* header, LRESULT* result) {
    *result = 0;
    const auto* change = reinterpret_cast<const NMLISTVIEW*>(header);
    if (change->uNewState == 0 || m_quietSelection) return;
    const std::int32_t processId = GetSelectedProcessId();
    if (processId == -1) return;
    const int row = change->iItem;
    const BlockRowTexts texts{m_blockList.GetItemText(row, BlockColumn::Address),
                              m_blockList.GetItemText(row, BlockColumn::Size),
                              m_blockList.GetItemText(row, BlockColumn::Status)};
    const ControlsDisabled busy(*this, BusyLists::AlsoProcessList);
    const CDumpList::Fill fill(m_dataList);
    ShowBlockOfRow(m_platform.Blocks(), *this, m_held, static_cast<std::uint32_t>(processId), texts);
}

void CCorvaneDlg::OnCloseHeapData() {
    ShowPanel(PANEL_HEAPDATA, kHideCommand);
    ShowPanel(PANEL_HEAPNODES, kShowCommand);
    m_positionLabel.ShowWindow(SW_HIDE);
    m_held.Reset();
}

void CCorvaneDlg::OnSave() { SaveHeapData(m_platform.Blocks(), m_platform.Files(), *this); }

void CCorvaneDlg::OnSearch() { RunSearch(*this, m_held, ProgramSearchHistory()); }

void CCorvaneDlg::ClearDumpLines() { m_dataList.Clear(); }

void CCorvaneDlg::ReserveDumpLines(std::size_t count) { m_dataList.Reserve(count); }

void CCorvaneDlg::AppendLine(const char* text, std::size_t) { m_dataList.Append(text); }

void CCorvaneDlg::SelectDumpLine(int index) { m_dataList.SetCurSel(index); }

void CCorvaneDlg::SetSearchCaption(const char* caption) { m_searchButton.SetWindowText(caption); }

SearchRequest CCorvaneDlg::ReadSearchControls() {
    SearchRequest request;
    request.text = m_searchEdit.GetWindowText();
    request.wide = m_unicodeCheck.GetCheck() == BST_CHECKED;
    request.selectedLine = m_dataList.GetCurSel();
    return request;
}

void CCorvaneDlg::SetSearchText(const char* text) { m_searchEdit.SetWindowText(text); }

void CCorvaneDlg::ShowPositionLabel(bool show) { m_positionLabel.ShowWindow(show ? SW_SHOW : SW_HIDE); }

void CCorvaneDlg::SetPositionText(const std::string& text) { m_positionLabel.SetWindowText(text.c_str()); }

bool CCorvaneDlg::AskSavePath(std::string& path) {
    CFileDialog dialog(FALSE, nullptr, "HeapData", OFN_PATHMUSTEXIST, "All Files (*.*)|*.*||", this);
    if (dialog.DoModal() != IDOK) return false;
    path = dialog.GetPathName();
    return true;
}

} // namespace corvane
