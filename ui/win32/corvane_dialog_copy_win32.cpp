// The main window's keys, its lists' menus, and copying and exporting what
// its lists show.

#include "ui/win32/corvane_dialog_win32.h"

#include "res/resource.h"
#include "ui/win32/table_commands_win32.h"

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

// Copying and exporting the lists' rows and the dump's lines, each with
// when its menu offers it.
struct CCorvaneDlg::CopyCommands {
    static bool HasNodeRowToCopy(CCorvaneDlg& dialog) { return ChosenOrFocusedRow(dialog.m_nodeList) >= 0; }
    static void CopyNodeRow(CCorvaneDlg& dialog) { CopyRow(dialog, dialog.m_nodeList, dialog.m_nodeRows); }
    static bool HasNodeRows(CCorvaneDlg& dialog) { return dialog.m_nodeRows.RowCount() != 0; }
    static void ExportNodeRows(CCorvaneDlg& dialog) { ExportRows(dialog, dialog.m_nodeRows, "HeapNodes", true); }

    static bool HasBlockRowToCopy(CCorvaneDlg& dialog) { return ChosenOrFocusedRow(dialog.m_blockList) >= 0; }
    static void CopyBlockRow(CCorvaneDlg& dialog) { CopyRow(dialog, dialog.m_blockList, dialog.m_blockRows); }
    static bool HasBlockRows(CCorvaneDlg& dialog) { return dialog.m_blockRows.RowCount() != 0; }
    static void ExportBlockRows(CCorvaneDlg& dialog) { ExportRows(dialog, dialog.m_blockRows, "HeapBlocks", true); }

    static bool HasDumpLineChosen(CCorvaneDlg& dialog) { return dialog.m_dataList.GetCurSel() >= 0; }
    static void CopyDumpLine(CCorvaneDlg& dialog) {
        const int line = dialog.m_dataList.GetCurSel();
        if (line >= 0) PutOnClipboard(dialog, dialog.m_dataList.GetText(line) + "\r\n");
    }
    static bool HasDumpLines(CCorvaneDlg& dialog) { return dialog.m_dataList.GetCount() > 0; }
    static void ExportDump(CCorvaneDlg& dialog) { ExportRows(dialog, DumpLines(dialog.m_dataList), "HeapData", false); }

private:
    static void CopyRow(CCorvaneDlg& dialog, const CListCtrl& list, const TableRows& rows) {
        if (const char* failure = CopyChosenRow(dialog.m_hWnd, list, rows))
            dialog.ShowMessage(failure, MessageIcon::Warning);
    }
    static void PutOnClipboard(CCorvaneDlg& dialog, const std::string& text) {
        if (const char* failure = corvane::PutOnClipboard(dialog.m_hWnd, text))
            dialog.ShowMessage(failure, MessageIcon::Warning);
    }
    static void ExportRows(CCorvaneDlg& dialog, const TableRows& rows, const char* fileName, bool csv) {
        if (const char* failure = corvane::ExportRows(dialog, rows, fileName, csv, dialog.m_platform.Files()))
            dialog.ShowMessage(failure, MessageIcon::Error);
    }
};

const MessageMap* CCorvaneDlg::CopyMessageMap() {
    static const MessageMapEntry entries[] = {
        MapMessage<&CCorvaneDlg::OnContextMenu>(WM_CONTEXTMENU),
        MapCommand<&CopyCommands::CopyNodeRow>(ID_NODE_COPY, 0),
        MapCommandEnabled<&CopyCommands::HasNodeRowToCopy>(ID_NODE_COPY),
        MapCommand<&CopyCommands::ExportNodeRows>(ID_NODE_EXPORT, 0),
        MapCommandEnabled<&CopyCommands::HasNodeRows>(ID_NODE_EXPORT),
        MapCommand<&CopyCommands::CopyBlockRow>(ID_BLOCK_COPY, 0),
        MapCommandEnabled<&CopyCommands::HasBlockRowToCopy>(ID_BLOCK_COPY),
        MapCommand<&CopyCommands::ExportBlockRows>(ID_BLOCK_EXPORT, 0),
        MapCommandEnabled<&CopyCommands::HasBlockRows>(ID_BLOCK_EXPORT),
        MapCommand<&CopyCommands::CopyDumpLine>(ID_DUMP_COPY, 0),
        MapCommandEnabled<&CopyCommands::HasDumpLineChosen>(ID_DUMP_COPY),
        MapCommand<&CopyCommands::ExportDump>(ID_DUMP_EXPORT, 0),
        MapCommandEnabled<&CopyCommands::HasDumpLines>(ID_DUMP_EXPORT),
    };
    static const MessageMap map{&CCorvaneDlg::ToolsMessageMap, entries, std::size(entries)};
    return &map;
}

BOOL CCorvaneDlg::PreTranslateMessage(MSG* message) {
    // Alt+Left: back to the block shown before the last one a tool went to.
    if (message->message == WM_SYSKEYDOWN && message->wParam == VK_LEFT) return GoBack();
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
    case 'G':
        if (!control) return FALSE;
        if (IsCommandEnabled(ID_NODE_GO_TO)) SendMessage(WM_COMMAND, MAKEWPARAM(ID_NODE_GO_TO, 0), 0);
        return TRUE;
    case 'C':
        if (!control) return FALSE;
        if (message->hwnd == m_nodeList.GetSafeHwnd()) {
            CopyCommands::CopyNodeRow(*this);
        } else if (message->hwnd == m_blockList.GetSafeHwnd()) {
            CopyCommands::CopyBlockRow(*this);
        } else if (message->hwnd == m_dataList.GetSafeHwnd()) {
            CopyCommands::CopyDumpLine(*this);
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

    TrackListMenu(*this, window, popup, lParam);
    return 0;
}

} // namespace corvane
