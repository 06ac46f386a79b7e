#include "controls/win32/shaded_button_win32.h"

#include "controls/shade_faces.h"
#include "controls/win32/shade_win32.h"
#include "framework/drawing_win32.h"

#include <algorithm>
#include <utility>

namespace corvane {
namespace {

// DrawText flags of a caption: one line, centred vertically.
constexpr UINT kCaptionLayout = DT_VCENTER | DT_SINGLELINE;

} // namespace

// The hover text colour starts as the normal one: a button whose owner sets
// no colours does not change its caption under the pointer.
CShadedButton::CShadedButton() : m_crText(::GetSysColor(COLOR_BTNTEXT)), m_crHoverText(m_crText) {}

// The members release the icons, the bitmaps and the tooltip window.
CShadedButton::~CShadedButton() = default;

const MessageMap* CShadedButton::ThisMessageMap() {
    static const MessageMapEntry entries[] = {
        MapEraseBkgnd<&CShadedButton::OnEraseBkgnd>(),
        MapMouseMessage<&CShadedButton::OnLButtonDown>(WM_LBUTTONDOWN),
        MapMouseMessage<&CShadedButton::OnLButtonUp>(WM_LBUTTONUP),
        MapMouseMessage<&CShadedButton::OnMouseMove>(WM_MOUSEMOVE),
        MapMouseMessage<&CShadedButton::OnLButtonDblClk>(WM_LBUTTONDBLCLK),
        MapFocusMessage<&CShadedButton::OnKillFocus>(WM_KILLFOCUS),
        MapKeyMessage<&CShadedButton::OnKeyDown>(WM_KEYDOWN),
        MapMessage<&CShadedButton::OnMouseLeave>(WM_MOUSELEAVE),
        MapMessage<&CShadedButton::OnUncheckRadio>(WM_UNCHECK_RADIO),
        MapMessage<&CShadedButton::OnSetCheck>(BM_SETCHECK),
        MapMessage<&CShadedButton::OnGetCheck>(BM_GETCHECK),
    };
    static const MessageMap map{&CButton::ThisMessageMap, entries, sizeof entries / sizeof entries[0]};
    return &map;
}

void CShadedButton::PreSubclassWindow() {
    const DWORD style = GetStyle();
    m_bPushLike = (style & BS_PUSHLIKE) != 0;
    m_bFlat = (style & BS_FLAT) != 0;
    SetTextAlignment(style & (BS_LEFT | BS_RIGHT));

    const DWORD type = style & 0xFFFF;
    if ((type & 3) == 3) {
        m_nKind = ButtonKind::CheckBox; // as BS_AUTOCHECKBOX
    } else if ((type & 9) == 9) {
        m_nKind = ButtonKind::Radio; // as BS_AUTORADIOBUTTON
    } else {
        m_nKind = ButtonKind::Push;
        m_bPushLike = true;
    }
    // A check box or radio button drawn as such has no edges.
    if (!m_bPushLike) m_bBorder = FALSE;

    CButton::PreSubclassWindow();
    // From here on the system button keeps its pushed state and focus but
    // leaves all drawing to DrawItem.
    ModifyStyle(0, BS_OWNERDRAW);
}

void CShadedButton::SetTextAlignment(UINT styleAlignment) {
    UINT horizontal = DT_CENTER;
    if (styleAlignment == BS_LEFT)
        horizontal = DT_LEFT;
    else if (styleAlignment == BS_RIGHT)
        horizontal = DT_RIGHT;
    m_nTextFormat = horizontal | kCaptionLayout;
}

COLORREF CShadedButton::SetTextColors(COLORREF normal, COLORREF hover) {
    const COLORREF previous = m_crText;
    m_crText = normal;
    m_crHoverText = hover;
    return previous;
}

void CShadedButton::CreateShadeFaces(std::int32_t effect, std::uint8_t granularity, std::uint8_t highlightPercent,
                                     std::uint8_t tintPercent, COLORREF tintColor) {
    RECT window{};
    GetWindowRect(&window);
    const int width = window.right - window.left;
    const int height = window.bottom - window.top;
    const SystemButtonColours colours;
    const ButtonFaceLook look{effect, granularity, highlightPercent, tintPercent, static_cast<ColorRef>(tintColor)};
    BuildButtonFaces(m_faceNormal, m_faceHover, m_facePressed, m_faceDisabled, width, height, look, colours,
                     ThreadRandom());
    BuildFocusStripes(m_stripeHorz, m_stripeVert, width, height, m_FocusRectMargin, colours);
}

void CShadedButton::SetIcon(WORD iconId, UINT align, WORD pressedIconId, WORD hoverIconId, int leftInset) {
    // The separate icons go first: after a failed load below no state may
    // still name an icon that has been destroyed.
    m_hIconPressed.reset();
    m_hIconHover.reset();
    m_hIcon.reset(LoadIconResource(iconId));
    if (!m_hIcon) return; // m_rcIcon keeps its previous box

    // The icon's size is taken as twice its hot spot.
    ICONINFO info{};
    int hotX = 0;
    int hotY = 0;
    if (::GetIconInfo(m_hIcon.get(), &info)) {
        // The icon's bitmaps come as copies for the caller to delete.
        const UniqueGdiObject<HBITMAP> color(info.hbmColor), mask(info.hbmMask);
        hotX = static_cast<int>(info.xHotspot);
        hotY = static_cast<int>(info.yHotspot);
    }
    m_rcIcon = RECT{0, 0, 2 * hotX, 2 * hotY};

    RECT window{};
    GetWindowRect(&window);
    const int width = window.right - window.left;
    const int height = window.bottom - window.top;
    const int margin = m_FocusRectMargin;
    const int top = std::max(0, height / 2 - hotY);
    if (align == BS_LEFT) {
        m_nIconAlign = BS_LEFT;
        ::OffsetRect(&m_rcIcon, margin + leftInset, top);
    } else if (align == BS_RIGHT) {
        m_nIconAlign = BS_RIGHT;
        ::OffsetRect(&m_rcIcon, width - 2 * hotX - margin, top);
    } else {
        m_nIconAlign = BS_CENTER;
        ::OffsetRect(&m_rcIcon, std::max(0, width / 2 - hotX), top);
    }

    if (pressedIconId != 0) m_hIconPressed.reset(LoadIconResource(pressedIconId));
    if (hoverIconId != 0) m_hIconHover.reset(LoadIconResource(hoverIconId));
}

void CShadedButton::SetToolTipTexts(std::string text, std::string checkedText) {
    m_strToolTip = std::move(text);
    m_strToolTipChecked = std::move(checkedText);
    if (m_toolTip.GetSafeHwnd()) {
        ShowToolTipText();
        return;
    }
    if (!m_hWnd || !m_toolTip.Create(*this, 0)) return;
    // The button itself is the tool, so the tip covers the whole button
    // wherever it moves.
    if (m_toolTip.AddTool(GetParent(), ToolTipText().c_str(), nullptr, reinterpret_cast<UINT_PTR>(m_hWnd),
                          TTF_IDISHWND)) {
        m_toolTip.Activate(true);
        m_toolTip.SetMaxTipWidth(300);
    }
}

const std::string& CShadedButton::ToolTipText() const {
    return (m_bChecked && !m_strToolTipChecked.empty()) ? m_strToolTipChecked : m_strToolTip;
}

void CShadedButton::ShowToolTipText() {
    m_toolTip.UpdateTipText(ToolTipText().c_str(), GetParent(), reinterpret_cast<UINT_PTR>(m_hWnd));
}

void CShadedButton::RelayToToolTip(UINT message, WPARAM wParam, LPARAM lParam) {
    if (!m_toolTip.GetSafeHwnd()) return;
    MSG record{};
    record.hwnd = m_hWnd;
    record.message = message;
    record.wParam = wParam;
    record.lParam = lParam;
    record.time = 0;
    record.pt.x = LOWORD(lParam);
    record.pt.y = HIWORD(lParam);
    m_toolTip.RelayEvent(&record);
}

bool CShadedButton::IsPointerOver(POINT clientPoint) const {
    POINT screen = clientPoint;
    ::ClientToScreen(m_hWnd, &screen);
    return ::WindowFromPoint(screen) == m_hWnd;
}

bool CShadedButton::LookPushedWhileOver(bool over) {
    const bool pushed = (GetState() & BST_PUSHED) != 0;
    if (over == pushed) return false;
    SetState(over);
    return true;
}

void CShadedButton::ToggleCheck() {
    if (m_nKind == ButtonKind::CheckBox)
        SendMessage(BM_SETCHECK, m_bChecked ? FALSE : TRUE);
    else if (m_nKind == ButtonKind::Radio)
        SendMessage(BM_SETCHECK, TRUE);
}

BOOL CShadedButton::OnEraseBkgnd(HDC) {
    // DrawItem paints every pixel.
    return TRUE;
}

void CShadedButton::OnMouseMove(UINT flags, POINT point) {
    RelayToToolTip(WM_MOUSEMOVE, flags, MAKELPARAM(point.x, point.y));
    if (m_bLButtonDown && ::GetCapture() == m_hWnd) {
        if (LookPushedWhileOver(IsPointerOver(point))) Invalidate(true);
    } else if (!m_bHover) {
        TRACKMOUSEEVENT track{};
        track.cbSize = sizeof track;
        track.dwFlags = TME_LEAVE;
        track.hwndTrack = m_hWnd;
        track.dwHoverTime = 0;
        if (::_TrackMouseEvent(&track)) {
            m_bHover = true;
            Invalidate(true);
        }
    }
    Default();
}

void CShadedButton::OnLButtonDown(UINT flags, POINT point) {
    RelayToToolTip(WM_LBUTTONDOWN, flags, MAKELPARAM(point.x, point.y));
    if (m_bHover) {
        TRACKMOUSEEVENT track{};
        track.cbSize = sizeof track;
        track.dwFlags = TME_CANCEL | TME_LEAVE;
        track.hwndTrack = m_hWnd;
        if (::_TrackMouseEvent(&track)) m_bHover = false;
    }
    // The system button takes the capture and shows the pushed state.
    Default();
    m_bLButtonDown = true;
}

void CShadedButton::OnLButtonUp(UINT flags, POINT point) {
    if (m_bLButtonDown && IsPointerOver(point)) ToggleCheck();
    m_toolTip.Update();
    RelayToToolTip(WM_LBUTTONUP, flags, MAKELPARAM(point.x, point.y));
    m_bLButtonDown = false;
    // The system button releases the capture and reports the click.
    Default();
}

void CShadedButton::OnLButtonDblClk(UINT flags, POINT point) {
    // A double click is a second press and nothing more.
    SendMessage(WM_LBUTTONDOWN, flags, MAKELPARAM(point.x, point.y));
}

void CShadedButton::OnKillFocus(HWND) {
    if (::GetCapture() == m_hWnd) {
        ::ReleaseCapture();
        m_bLButtonDown = false;
    }
    Default();
}

void CShadedButton::OnKeyDown(UINT key, UINT, UINT) {
    // Every auto-repeated key-down toggles a check box again.
    if (key == VK_SPACE) ToggleCheck();
    Default();
}

LRESULT CShadedButton::OnMouseLeave(WPARAM, LPARAM) {
    m_bHover = false;
    Invalidate(true);
    return 0;
}

LRESULT CShadedButton::OnUncheckRadio(WPARAM, LPARAM) {
    if (m_bChecked) {
        m_bChecked = false;
        if (m_toolTip.GetSafeHwnd()) ShowToolTipText();
        Invalidate(true);
    }
    return 0;
}

LRESULT CShadedButton::OnSetCheck(WPARAM wParam, LPARAM) {
    m_bChecked = wParam != 0;
    if (m_nKind == ButtonKind::Push) {
        m_bChecked = false;
    } else if (m_nKind == ButtonKind::Radio && m_bChecked) {
        // Every other control of the group, whatever its class, is told to
        // uncheck itself once this message is done.
        const HWND parent = GetParent();
        for (HWND member = ::GetNextDlgGroupItem(parent, m_hWnd, FALSE); member && member != m_hWnd;
             member = ::GetNextDlgGroupItem(parent, member, FALSE)) {
            ::PostMessageA(member, WM_UNCHECK_RADIO, 0, 0);
        }
    }
    if (m_toolTip.GetSafeHwnd()) {
        m_toolTip.Pop();
        ShowToolTipText();
    }
    Invalidate(true);
    return 0;
}

LRESULT CShadedButton::OnGetCheck(WPARAM, LPARAM) { return m_bChecked ? 1 : 0; }

} // namespace corvane
