#include "controls/win32/link_label_win32.h"

#include "framework/seams_win32.h"

#include <utility>

namespace corvane {
namespace {

// Redraws the label at once, on entering and ending the hover.
constexpr UINT kRedrawNow = RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW;

} // namespace

CLinkLabel::CLinkLabel() = default;

const MessageMap* CLinkLabel::ThisMessageMap() {
    static const MessageMapEntry entries[] = {
        MapMouseMessage<&CLinkLabel::OnMouseMove>(WM_MOUSEMOVE),
        MapMessage<&CLinkLabel::OnCaptureChanged>(WM_CAPTURECHANGED),
        MapSetCursor<&CLinkLabel::OnSetCursor>(),
        MapReflectedCommand<&CLinkLabel::OnClicked>(STN_CLICKED),
        MapReflectedCtlColor<&CLinkLabel::CtlColor>(),
    };
    static const MessageMap map{&CStatic::ThisMessageMap, entries, sizeof entries / sizeof entries[0]};
    return &map;
}

void CLinkLabel::PreSubclassWindow() {
    // Without SS_NOTIFY a static control is transparent to the mouse and
    // reports no clicks.
    ::SetWindowLongA(m_hWnd, GWL_STYLE, ::GetWindowLongA(m_hWnd, GWL_STYLE) | SS_NOTIFY);

    LOGFONTA font{};
    HFONT current = GetFont();
    if (!current) current = static_cast<HFONT>(::GetStockObject(SYSTEM_FONT));
    if (::GetObjectA(current, sizeof font, &font) == sizeof font) {
        font.lfUnderline = TRUE;
        if (m_fontLink.CreateFontIndirect(font)) SetFont(m_fontLink, true);
    }

    CStatic::PreSubclassWindow();

    m_hLinkCursor = ::LoadCursorA(nullptr, IDC_HAND);
    SendMessage(STM_SETIMAGE, IMAGE_CURSOR, reinterpret_cast<LPARAM>(m_hLinkCursor));

    if (m_ToolTip.Create(*this, TTS_ALWAYSTIP)) {
        RECT client{};
        GetClientRect(&client);
        m_ToolTip.AddTool(m_hWnd, "", &client, kToolId, 0);
        m_ToolTip.ShowWindow(SW_HIDE);
    }
}

BOOL CLinkLabel::PreTranslateMessage(MSG* message) {
    m_ToolTip.RelayEvent(message);
    return CStatic::PreTranslateMessage(message);
}

void CLinkLabel::SetLinkUrl(std::string url) { m_strLink = std::move(url); }
void CLinkLabel::SetNotifyParent(bool notifyParent) { m_bNotifyParent = notifyParent; }
void CLinkLabel::SetToolTipEnabled(bool enabled) { m_bToolTipEnabled = enabled; }
void CLinkLabel::SetLinkColor(COLORREF color) { m_crNormal = color; }

void CLinkLabel::SetToolTipText(const char* text) {
    if (m_bToolTipEnabled) m_ToolTip.UpdateTipText(text ? text : "", m_hWnd, kToolId);
}

void CLinkLabel::OnMouseMove(UINT, POINT point) {
    Default();
    if (!m_bHover) {
        m_bHover = true;
        RedrawWindow(nullptr, nullptr, kRedrawNow);
        // Keep receiving moves after the pointer leaves, to see it leave.
        SetCapture();
        return;
    }
    RECT client{};
    GetClientRect(&client);
    if (::PtInRect(&client, point)) return;
    m_bHover = false;
    ::ReleaseCapture();
    RedrawWindow(nullptr, nullptr, kRedrawNow);
}

LRESULT CLinkLabel::OnCaptureChanged(WPARAM, LPARAM newCapture) {
    Default();
    // Another window took the pointer (the modal box that a click opened, a
    // menu): no move off the label will come to end the hover, so it ends
    // here. The label's own calls leave it alone: it releases the capture
    // only after the hover has ended, takes it again while it holds it, and
    // takes it back right after the shell call.
    if (!m_bHover || m_bOpening || reinterpret_cast<HWND>(newCapture) == m_hWnd) return 0;
    m_bHover = false;
    RedrawWindow(nullptr, nullptr, kRedrawNow);
    return 0;
}

BOOL CLinkLabel::OnSetCursor(HWND, UINT, UINT) {
    ::SetCursor(m_hLinkCursor);
    return TRUE;
}

void CLinkLabel::OnClicked() {
    if (m_bNotifyParent)
        ::SendMessageA(GetParent(), WM_HYPERLINK_CLICKED, static_cast<WPARAM>(GetDlgCtrlID()), 0);
    else
        OpenLink(m_strLink);
    InvalidateRect(nullptr, true);
}

void CLinkLabel::OpenLink(std::string link) {
    // The shell's answer is not looked at: a link that does not open stays
    // silent.
    m_bOpening = true;
    ShellExecuteThroughSeam(nullptr, "open", link.c_str(), nullptr, nullptr, SW_SHOWMINIMIZED);
    m_bOpening = false;
    // The handler the shell started may have taken the pointer; take it back
    // so that the hover ends when the pointer next moves off the label.
    SetCapture();
}

HBRUSH CLinkLabel::CtlColor(HDC dc, UINT) {
    // Two colours only, the link's and the hover's: a clicked label keeps
    // its link colour, since the "About" label runs a command rather than
    // opening a page that could be marked as visited.
    ::SetTextColor(dc, m_bHover ? m_crHover : m_crNormal);
    ::SetBkMode(dc, TRANSPARENT);
    return static_cast<HBRUSH>(::GetStockObject(NULL_BRUSH));
}

} // namespace corvane
