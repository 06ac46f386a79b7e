// The main window's keys, its lists' menus, and copying and exporting what
// its lists show.

#include "ui/win32/corvane_dialog_win32.h"

#include "framework/app.h"
#include "framework/clipboard.h"
#include "framework/file_dialog.h"
#include "res/resource.h"
#include "ui/table_export.h"

#include <iterator>
#include <optional>
#include <string>

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

} // namespace

const MessageMap* CCorvaneDlg::CopyMessageMap() {
    static const MessageMapEntry entries[] = {
        MapMessage<&CCorvaneDlg::OnContextMenu>(WM_CONTEXTMENU),
        MapCommand<&CCorvaneDlg::OnCopyNodeRow>(ID_NODE_COPY, 0),
        MapCommand<&CCorvaneDlg::OnExportNodeRows>(ID_NODE_EXPORT, 0),
        MapCommand<&CCorvaneDlg::OnCopyBlockRow>(ID_BLOCK_COPY, 0),
        MapCommand<&CCorvaneDlg::OnExportBlockRows>(ID_BLOCK_EXPORT, 0),
        MapCommand<&CCorvaneDlg::OnCopyDumpLine>(ID_DUMP_COPY, 0),
        MapCommand<&CCorvaneDlg::OnExportDump>(ID_DUMP_EXPORT, 0),
    };
    static const MessageMap map{&CCorvaneDlg::ToolsMessageMap, entries, std::size(entries)};
    return &map;
}

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

void CCorvaneDlg::PutOnClipboard(const std::string& text) {
    switch (PutTextOnClipboard(m_hWnd, text)) {
    case ClipboardResult::Put: return;
    case ClipboardResult::InUse:
        ShowMessage("The clipboard is in use by another program. Please try again.", MessageIcon::Warning);
        return;
    case ClipboardResult::Failed: break;
    }
    ShowMessage("The text could not be put on the clipboard.", MessageIcon::Warning);
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

} // namespace corvane
