#include "ui/win32/table_commands_win32.h"

#include "framework/app_win32.h"
#include "framework/clipboard_win32.h"
#include "framework/file_dialog_win32.h"
#include "framework/handles_win32.h"
#include "res/resource.h"
#include "ui/table_export.h"

namespace corvane {

bool IsCopyKey(const MSG& message) {
    return message.message == WM_KEYDOWN && message.wParam == 'C' && ::GetKeyState(VK_CONTROL) < 0;
}

int ChosenOrFocusedRow(const CListCtrl& list) {
    const int row = list.GetNextItem(-1, LVNI_SELECTED);
    return row >= 0 ? row : list.GetNextItem(-1, LVNI_FOCUSED);
}

const char* PutOnClipboard(HWND owner, const std::string& text) {
    switch (PutTextOnClipboard(owner, text)) {
    case ClipboardResult::Put: return nullptr;
    case ClipboardResult::InUse: return "The clipboard is in use by another program. Please try again.";
    case ClipboardResult::Failed: break;
    }
    return "The text could not be put on the clipboard.";
}

const char* CopyChosenRow(HWND owner, const CListCtrl& list, const TableRows& rows) {
    const int row = ChosenOrFocusedRow(list);
    if (row < 0 || static_cast<std::size_t>(row) >= rows.RowCount()) return nullptr;
    return PutOnClipboard(owner, TabSeparatedRow(rows, static_cast<std::size_t>(row)));
}

const char* ExportRows(CWnd& owner, const TableRows& rows, const char* fileName, bool csv, SaveFiles& files) {
    CFileDialog fileDialog(FALSE, csv ? "csv" : "txt", fileName, OFN_PATHMUSTEXIST | OFN_OVERWRITEPROMPT,
                           csv ? "CSV Files (*.csv)|*.csv|All Files (*.*)|*.*||"
                               : "Text Files (*.txt)|*.txt|All Files (*.*)|*.*||",
                           &owner);
    if (fileDialog.DoModal() != IDOK) return nullptr;
    const std::string path = fileDialog.GetPathName();
    return csv ? ExportCsv(rows, files, path) : ExportTextLines(rows, files, path);
}

bool TrackListMenu(CWnd& owner, HWND window, int popup, LPARAM lParam) {
    const UniqueMenu menus(::LoadMenuA(ResourceModule(), MAKEINTRESOURCEA(IDR_LIST_MENUS)));
    const HMENU menu = menus ? ::GetSubMenu(menus.get(), popup) : nullptr;
    if (!menu) return false;
    // Each command of the menu as its owner's map says it can run now.
    for (int i = 0, count = ::GetMenuItemCount(menu); i < count; ++i) {
        const UINT command = ::GetMenuItemID(menu, i);
        if (command == 0 || command == static_cast<UINT>(-1)) continue; // a separator or a submenu
        ::EnableMenuItem(menu, command, MF_BYCOMMAND | (owner.IsCommandEnabled(command) ? MF_ENABLED : MF_GRAYED));
    }
    POINT at = {static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
    if (lParam == -1) {
        // From the keyboard: at the window's top left corner.
        at = {8, 8};
        ::ClientToScreen(window, &at);
    }
    ::TrackPopupMenu(menu, TPM_LEFTALIGN | TPM_RIGHTBUTTON, at.x, at.y, 0, owner.GetSafeHwnd(), nullptr);
    return true;
}

} // namespace corvane
