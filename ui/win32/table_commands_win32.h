#pragma once

// Copying and exporting the rows of a list, and the lists' menus: shared by
// the main window and its tools.

#include "framework/controls_win32.h"
#include "heap/block_copy.h"
#include "heap/table_text.h"

#include <string>

namespace corvane {

// The extended style of the tools' lists.
constexpr DWORD kToolListStyle = LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT | LVS_EX_LABELTIP;

// Whether the message is Ctrl+C pressed.
bool IsCopyKey(const MSG& message);

// The chosen row of a list, or else the focused one; -1 for none.
int ChosenOrFocusedRow(const CListCtrl& list);

// Puts `text` on the clipboard for `owner`. Null, or the message for the user.
const char* PutOnClipboard(HWND owner, const std::string& text);

// Puts the chosen (or else the focused) row of `list`, whose rows are
// `rows`, on the clipboard with the headings. Null, or the message for the user.
const char* CopyChosenRow(HWND owner, const CListCtrl& list, const TableRows& rows);

// Asks where to save and writes `rows` there: as comma-separated values under
// the headings, or as lines of text. Null when written or not asked for,
// otherwise the message for the user.
const char* ExportRows(CWnd& owner, const TableRows& rows, const char* fileName, bool csv, SaveFiles& files);

// Shows popup `popup` of the lists' menus for `window` at the point of a
// WM_CONTEXTMENU's `lParam`, each command enabled as `owner`'s map says;
// the chosen command goes to `owner`. False when the menu cannot be loaded.
bool TrackListMenu(CWnd& owner, HWND window, int popup, LPARAM lParam);

} // namespace corvane
