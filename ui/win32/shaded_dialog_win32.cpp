#include "ui/win32/shaded_dialog_win32.h"

#include "controls/shade.h"

#include <iterator>
#include <map>

namespace corvane {

namespace {

// Every message box carries the program's name as the main window's caption
// spells it.
constexpr const char* kCaption = "Corvane";

// The dialogs of one template share one background.
CShadedBackgroundCache& BackgroundOf(UINT templateId) {
    static std::map<UINT, CShadedBackgroundCache> caches;
    return caches[templateId];
}

} // namespace

CShadedDialog::CShadedDialog(UINT templateId, CWnd* parent)
    : CDialog(templateId, parent), m_background(BackgroundOf(templateId)) {}

const MessageMap* CShadedDialog::ThisMessageMap() {
    static const MessageMapEntry entries[] = {
        MapVoidMessage<&CShadedDialog::OnPaint>(WM_PAINT),
        MapCtlColor<&CShadedDialog::OnCtlColor>(),
    };
    static const MessageMap map{&CDialog::ThisMessageMap, entries, std::size(entries)};
    return &map;
}

void CShadedDialog::PaintBackground(CPaintDC& dc) {
    RECT client = {};
    GetClientRect(&client);
    m_background.Paint(dc, dc.m_ps.rcPaint, client.right - client.left, client.bottom - client.top, ShadeCrossCurve,
                       kShadeTint);
}

void CShadedDialog::OnPaint() {
    CPaintDC dc(*this);
    PaintBackground(dc);
}

void CShadedDialog::SetUpButton(CShadedButton& button) {
    button.CreateShadeFaces(ShadeRowCurve, 8, 20, 5, kShadeTint);
    button.SetTextColors(RGB(0, 0, 255), RGB(255, 0, 0));
}

HBRUSH CShadedDialog::OnCtlColor(HDC dc, HWND control, UINT ctlType) {
    HBRUSH brush = CWnd::OnCtlColor(dc, control, ctlType);
    if (IsTransparentLabel(::GetDlgCtrlID(control))) {
        ::SetBkMode(dc, TRANSPARENT);
        brush = static_cast<HBRUSH>(::GetStockObject(NULL_BRUSH));
    }
    return brush;
}

RECT CShadedDialog::ChildRect(const CWnd& child) const {
    RECT rect = {};
    child.GetWindowRect(&rect);
    ::MapWindowPoints(nullptr, m_hWnd, reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

void CShadedDialog::SetLabelText(CWnd& label, const std::string& text) {
    label.SetWindowText(text.c_str());
    const RECT area = ChildRect(label);
    RedrawWindow(&area, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
}

void CShadedDialog::ShowProgramMessage(const std::string& text, MessageIcon icon) const {
    UINT type = MB_OK;
    switch (icon) {
    case MessageIcon::Plain: break;
    case MessageIcon::Error: type |= MB_ICONERROR; break;
    case MessageIcon::Warning: type |= MB_ICONWARNING; break;
    case MessageIcon::Information: type |= MB_ICONINFORMATION; break;
    }
    MessageBox(text.c_str(), kCaption, type);
}

} // namespace corvane
