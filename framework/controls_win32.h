#pragma once

// Thin wrappers of the standard controls. Each method checks that the window
// exists and sends one message. The objects are bound to dialog controls
// with DDX_Control, or (the tooltip) create and own their window.

#include "framework/window_win32.h"

#include <commctrl.h>

#include <cstddef>

#include <string>

namespace corvane {

class CButton : public CWnd {
public:
    int GetCheck() const;
    void SetCheck(int check);
    UINT GetState() const;
    void SetState(bool pushed);
    // Draws an owner-drawn button; reached through the parent's WM_DRAWITEM.
    virtual void DrawItem(DRAWITEMSTRUCT* item);

protected:
    bool OnChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
};

class CStatic : public CWnd {};

class CEdit : public CWnd {};

class CComboBox : public CWnd {
public:
    int AddString(const char* text);
    void ResetContent();
    int GetCount() const;
    int GetCurSel() const;
    int SetCurSel(int index);
    // Empty for an index that does not exist.
    std::string GetLBText(int index) const;
};

class CListBox : public CWnd {
public:
    int AddString(const char* text);
    // Makes room for `items` more lines holding `bytes` of text in all, before
    // they are added. LB_ERRSPACE when the room cannot be had.
    int InitStorage(std::size_t items, std::size_t bytes);
    void ResetContent();
    int GetCount() const;
    int GetCurSel() const;
    int SetCurSel(int index);
    std::string GetText(int index) const;
    void SetHorizontalExtent(int pixels);
};

class CListCtrl : public CWnd {
public:
    DWORD SetExtendedStyle(DWORD style);
    int InsertColumn(int column, const char* heading, int format, int width);
    bool SetColumnWidth(int column, int width);
    // The width of `text` in the list's font, without the cell's margins.
    int GetStringWidth(const char* text) const;
    std::string GetItemText(int item, int subItem) const;
    // The number of rows of an owner-data list, whose texts it asks for.
    bool SetItemCount(int count);
    // LVNI_* flags; -1 starts before the first row. -1 when none is found.
    int GetNextItem(int start, UINT flags) const;
    // Sets the LVIS_* bits of `mask` to those of `state`; item -1: every row.
    bool SetItemState(int item, UINT state, UINT mask);
    bool EnsureVisible(int item);
};

class CToolTipCtrl : public CWnd {
public:
    // A tooltip window owned by this object, for the parent's tools.
    bool Create(const CWnd& parent, DWORD style = 0);
    // window: the window whose messages the tooltip watches for the tool;
    // with TTF_IDISHWND, id is the tool's window handle. rect: in window's
    // client coordinates (null for TTF_IDISHWND).
    bool AddTool(HWND window, const char* text, const RECT* rect, UINT_PTR id, UINT flags = 0);
    // False (an invalid argument) when the tooltip has no window.
    bool UpdateTipText(const char* text, HWND window, UINT_PTR id);
    std::string GetText(HWND window, UINT_PTR id) const;
    void RelayEvent(MSG* message);
    void Activate(bool activate);
    int SetMaxTipWidth(int width);
    void Pop();
    void Update();
};

// The size of the tool record that both common-control versions accept.
constexpr UINT kToolInfoSize = static_cast<UINT>(offsetof(TOOLINFOA, lParam) + sizeof(LPARAM));

} // namespace corvane
