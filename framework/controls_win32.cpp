#include "framework/controls_win32.h"

#include <cstddef>

namespace corvane {
namespace {

std::string TextOfLength(LRESULT length) {
    return std::string(length > 0 ? static_cast<std::size_t>(length) : 0, '\0');
}

// The text of a combo box's or list box's item: both answer a length
// message and a text message the same way, and -1 (CB_ERR, LB_ERR) for an
// item that does not exist.
std::string ItemText(const CWnd& box, UINT lengthMessage, UINT textMessage, int index) {
    static_assert(CB_ERR == LB_ERR, "one error value for both boxes");
    const LRESULT length = box.SendMessage(lengthMessage, static_cast<WPARAM>(index));
    if (!box.GetSafeHwnd() || length == LB_ERR) return {};
    std::string text = TextOfLength(length + 1);
    const LRESULT copied = box.SendMessage(textMessage, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&text[0]));
    text.resize(copied > 0 ? static_cast<std::size_t>(copied) : 0);
    return text;
}

} // namespace

int CButton::GetCheck() const { return static_cast<int>(SendMessage(BM_GETCHECK)); }
void CButton::SetCheck(int check) { SendMessage(BM_SETCHECK, static_cast<WPARAM>(check)); }
UINT CButton::GetState() const { return static_cast<UINT>(SendMessage(BM_GETSTATE)); }
void CButton::SetState(bool pushed) { SendMessage(BM_SETSTATE, pushed ? TRUE : FALSE); }
void CButton::DrawItem(DRAWITEMSTRUCT*) {}

bool CButton::OnChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    if (message == WM_DRAWITEM) {
        CurrentMessage current(*this, message, wParam, lParam);
        DrawItem(reinterpret_cast<DRAWITEMSTRUCT*>(lParam));
        result = TRUE;
        return true;
    }
    return CWnd::OnChildNotify(message, wParam, lParam, result);
}

int CComboBox::AddString(const char* text) {
    return static_cast<int>(SendMessage(CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text)));
}
void CComboBox::ResetContent() { SendMessage(CB_RESETCONTENT); }
int CComboBox::GetCount() const { return static_cast<int>(SendMessage(CB_GETCOUNT)); }
int CComboBox::GetCurSel() const { return GetSafeHwnd() ? static_cast<int>(SendMessage(CB_GETCURSEL)) : CB_ERR; }
int CComboBox::SetCurSel(int index) { return static_cast<int>(SendMessage(CB_SETCURSEL, static_cast<WPARAM>(index))); }

std::string CComboBox::GetLBText(int index) const { return ItemText(*this, CB_GETLBTEXTLEN, CB_GETLBTEXT, index); }

int CListBox::AddString(const char* text) {
    return static_cast<int>(SendMessage(LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text)));
}
int CListBox::InitStorage(std::size_t items, std::size_t bytes) {
    return static_cast<int>(SendMessage(LB_INITSTORAGE, static_cast<WPARAM>(items), static_cast<LPARAM>(bytes)));
}
void CListBox::ResetContent() { SendMessage(LB_RESETCONTENT); }
int CListBox::GetCount() const { return static_cast<int>(SendMessage(LB_GETCOUNT)); }
int CListBox::GetCurSel() const { return GetSafeHwnd() ? static_cast<int>(SendMessage(LB_GETCURSEL)) : LB_ERR; }
int CListBox::SetCurSel(int index) { return static_cast<int>(SendMessage(LB_SETCURSEL, static_cast<WPARAM>(index))); }

std::string CListBox::GetText(int index) const { return ItemText(*this, LB_GETTEXTLEN, LB_GETTEXT, index); }

void CListBox::SetHorizontalExtent(int pixels) { SendMessage(LB_SETHORIZONTALEXTENT, static_cast<WPARAM>(pixels)); }

DWORD CListCtrl::SetExtendedStyle(DWORD style) {
    return static_cast<DWORD>(SendMessage(LVM_SETEXTENDEDLISTVIEWSTYLE, 0, static_cast<LPARAM>(style)));
}

int CListCtrl::InsertColumn(int column, const char* heading, int format, int width) {
    LVCOLUMNA record{};
    record.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT | LVCF_SUBITEM;
    record.fmt = format;
    record.cx = width;
    record.pszText = const_cast<char*>(heading);
    record.iSubItem = column;
    return static_cast<int>(
        SendMessage(LVM_INSERTCOLUMNA, static_cast<WPARAM>(column), reinterpret_cast<LPARAM>(&record)));
}

bool CListCtrl::SetColumnWidth(int column, int width) {
    return SendMessage(LVM_SETCOLUMNWIDTH, static_cast<WPARAM>(column), MAKELPARAM(width, 0)) != 0;
}

bool CListCtrl::SetItemCount(int count) { return SendMessage(LVM_SETITEMCOUNT, static_cast<WPARAM>(count), 0) != 0; }

int CListCtrl::GetStringWidth(const char* text) const {
    return static_cast<int>(SendMessage(LVM_GETSTRINGWIDTHA, 0, reinterpret_cast<LPARAM>(text)));
}

std::string CListCtrl::GetItemText(int item, int subItem) const {
    if (!GetSafeHwnd()) return {};
    // The list copies at most the buffer's size; grow until the text fits.
    for (std::size_t size = 256;; size *= 2) {
        std::string text(size, '\0');
        LVITEMA record{};
        record.iSubItem = subItem;
        record.pszText = &text[0];
        record.cchTextMax = static_cast<int>(size);
        const LRESULT length =
            SendMessage(LVM_GETITEMTEXTA, static_cast<WPARAM>(item), reinterpret_cast<LPARAM>(&record));
        if (length < 0) return {};
        if (static_cast<std::size_t>(length) + 1 < size || size >= (1u << 20)) {
            text.resize(static_cast<std::size_t>(length));
            return text;
        }
    }
}

int CListCtrl::GetNextItem(int start, UINT flags) const {
    if (!GetSafeHwnd()) return -1;
    return static_cast<int>(SendMessage(LVM_GETNEXTITEM, static_cast<WPARAM>(start), MAKELPARAM(flags, 0)));
}

bool CListCtrl::SetItemState(int item, UINT state, UINT mask) {
    if (!m_hWnd) return false;
    LVITEMA change = {};
    change.state = state;
    change.stateMask = mask;
    return ::SendMessageA(m_hWnd, LVM_SETITEMSTATE, static_cast<WPARAM>(item), reinterpret_cast<LPARAM>(&change)) !=
           FALSE;
}

bool CListCtrl::EnsureVisible(int item) {
    return m_hWnd && ::SendMessageA(m_hWnd, LVM_ENSUREVISIBLE, static_cast<WPARAM>(item), FALSE) != FALSE;
}

bool CToolTipCtrl::Create(const CWnd& parent, DWORD style) {
    return CreateEx(0, TOOLTIPS_CLASSA, nullptr, WS_POPUP | style, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT,
                    CW_USEDEFAULT, parent.GetSafeHwnd(), nullptr);
}

bool CToolTipCtrl::AddTool(HWND window, const char* text, const RECT* rect, UINT_PTR id, UINT flags) {
    if (!GetSafeHwnd()) return false;
    TOOLINFOA tool{};
    tool.cbSize = kToolInfoSize;
    tool.uFlags = flags;
    tool.hwnd = window;
    tool.uId = id;
    if (rect) tool.rect = *rect;
    tool.lpszText = const_cast<char*>(text);
    return SendMessage(TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&tool)) != 0;
}

bool CToolTipCtrl::UpdateTipText(const char* text, HWND window, UINT_PTR id) {
    if (!GetSafeHwnd()) return false;
    TOOLINFOA tool{};
    tool.cbSize = kToolInfoSize;
    tool.hwnd = window;
    tool.uId = id;
    tool.lpszText = const_cast<char*>(text);
    SendMessage(TTM_UPDATETIPTEXTA, 0, reinterpret_cast<LPARAM>(&tool));
    return true;
}

std::string CToolTipCtrl::GetText(HWND window, UINT_PTR id) const {
    if (!GetSafeHwnd()) return {};
    char buffer[1024] = {};
    TOOLINFOA tool{};
    tool.cbSize = kToolInfoSize;
    tool.hwnd = window;
    tool.uId = id;
    tool.lpszText = buffer;
    SendMessage(TTM_GETTEXTA, sizeof buffer, reinterpret_cast<LPARAM>(&tool));
    return buffer;
}

void CToolTipCtrl::RelayEvent(MSG* message) { SendMessage(TTM_RELAYEVENT, 0, reinterpret_cast<LPARAM>(message)); }
void CToolTipCtrl::Activate(bool activate) { SendMessage(TTM_ACTIVATE, activate ? TRUE : FALSE); }
int CToolTipCtrl::SetMaxTipWidth(int width) {
    return static_cast<int>(SendMessage(TTM_SETMAXTIPWIDTH, 0, static_cast<LPARAM>(width)));
}
void CToolTipCtrl::Pop() { SendMessage(TTM_POP); }
void CToolTipCtrl::Update() { SendMessage(TTM_UPDATE); }

} // namespace corvane
