// The shaded button's painting: one look per state, drawn off screen and
// brought to the screen in one transfer.

#include "controls/win32/shaded_button_win32.h"

#include "controls/win32/dib_draw_win32.h"
#include "framework/drawing_win32.h"
#include "framework/gdi_win32.h"

namespace corvane {
namespace {

void FillFace(HDC dc, const RECT& item) { ::FillRect(dc, &item, ::GetSysColorBrush(COLOR_BTNFACE)); }

} // namespace

void CShadedButton::DrawItem(DRAWITEMSTRUCT* item) {
    // While the left button is held, the pushed look follows the real
    // pointer; a state change brings its own draw.
    POINT cursor{};
    if (m_bLButtonDown && ::GetCapture() == m_hWnd && ::GetCursorPos(&cursor) &&
        LookPushedWhileOver(::WindowFromPoint(cursor) == m_hWnd))
        return;

    const RECT r = item->rcItem;
    const int cx = r.right - r.left;
    const int cy = r.bottom - r.top;
    const std::string caption = GetWindowText();
    const RECT t = CaptionBox(r);

    // Everything goes to a memory bitmap first and reaches the screen in one
    // transfer. Should no memory context be had, draw straight onto the item.
    CDC memory;
    CBitmap canvas;
    const bool buffered = memory.CreateCompatibleDC(item->hDC) && canvas.CreateCompatibleBitmap(item->hDC, cx, cy);
    const HDC dc = buffered ? memory.GetSafeHdc() : item->hDC;
    CSelectObject selectCanvas(buffered ? dc : nullptr, canvas.GetSafeHandle());
    const int previousBkMode = ::SetBkMode(dc, TRANSPARENT);
    const COLORREF previousTextColor = ::GetTextColor(dc);
    CSelectObject selectFont(dc, ::GetStockObject(DEFAULT_GUI_FONT));

    if (item->itemState & ODS_DISABLED)
        DrawDisabledLook(dc, r, t, caption);
    else
        DrawEnabledLook(dc, r, t, caption, item->itemState);

    if (buffered) {
        ::BitBlt(item->hDC, 0, 0, cx, cy, dc, 0, 0, SRCCOPY);
    } else {
        ::SetTextColor(dc, previousTextColor);
        ::SetBkMode(dc, previousBkMode);
    }
}

RECT CShadedButton::CaptionBox(const RECT& item) const {
    const int margin = m_FocusRectMargin;
    RECT box{item.left + margin + 2, item.top, item.right - margin - 2, item.bottom};
    if (!m_hIcon) return box;
    const int iconWidth = m_rcIcon.right - m_rcIcon.left;
    if (m_nIconAlign == BS_LEFT) {
        box.left += iconWidth;
    } else if (m_nIconAlign == BS_RIGHT) {
        box.right -= iconWidth;
    } else {
        // The caption goes below the icon.
        box.top += m_rcIcon.bottom;
        box.bottom -= margin + 1;
    }
    return box;
}

void CShadedButton::DrawCaption(HDC dc, const std::string& caption, RECT box, COLORREF color) const {
    ::SetTextColor(dc, color);
    ::DrawTextA(dc, caption.c_str(), -1, &box, m_nTextFormat);
}

void CShadedButton::DrawDisabledLook(HDC dc, RECT item, RECT captionBox, const std::string& caption) const {
    if (!DrawDib(m_faceDisabled, dc, 0, 0)) FillFace(dc, item);
    if (const HICON icon = PressedIcon()) DrawStateIcon(dc, icon, m_rcIcon, DSS_DISABLED);
    if (m_bBorder && !m_bFlat) ::DrawEdge(dc, &item, EDGE_RAISED, BF_RECT);
    // Embossed: highlight, then grey one pixel up and to the left.
    DrawCaption(dc, caption, captionBox, ::GetSysColor(COLOR_BTNHIGHLIGHT));
    ::OffsetRect(&captionBox, -1, -1);
    DrawCaption(dc, caption, captionBox, ::GetSysColor(COLOR_GRAYTEXT));
}

void CShadedButton::DrawEnabledLook(HDC dc, RECT item, RECT captionBox, const std::string& caption, UINT state) const {
    if ((state & ODS_SELECTED) || m_bChecked)
        DrawPressedLook(dc, item, captionBox);
    else
        item = DrawNormalLook(dc, item, state);
    if ((state & ODS_FOCUS) && m_FocusRectMargin > 0) DrawFocusFrame(dc, item);
    DrawCaption(dc, caption, captionBox, m_bHover ? m_crHoverText : m_crText);
}

void CShadedButton::DrawPressedLook(HDC dc, RECT item, RECT& captionBox) const {
    const int faceShift = m_bBorder ? 1 : 0;
    if (!DrawDib(m_facePressed, dc, faceShift, faceShift)) FillFace(dc, item);
    // A push-like button's icon and caption sink with it.
    const int sink = m_bPushLike ? 1 : 0;
    if (const HICON icon = PressedIcon()) {
        RECT box = m_rcIcon;
        ::OffsetRect(&box, sink, sink);
        DrawStateIcon(dc, icon, box, 0);
    }
    ::OffsetRect(&captionBox, sink, sink);
    if (!m_bBorder) return;
    if (m_bFlat)
        Draw3dRect(dc, item, ::GetSysColor(COLOR_BTNSHADOW), ::GetSysColor(COLOR_BTNHIGHLIGHT));
    else
        ::DrawEdge(dc, &item, EDGE_SUNKEN, BF_RECT);
}

RECT CShadedButton::DrawNormalLook(HDC dc, RECT item, UINT state) const {
    if (!m_faceNormal.IsValid())
        FillFace(dc, item);
    else if (!(m_bHover && DrawDib(m_faceHover, dc, 0, 0)))
        DrawDib(m_faceNormal, dc, 0, 0);
    const HICON icon = (m_bHover && m_hIconHover) ? HoverIcon() : NormalIcon();
    if (icon) DrawStateIcon(dc, icon, m_rcIcon, 0);

    // A flat button shows its frame only under the pointer.
    if (!m_bBorder || (m_bFlat && !m_bHover)) return item;
    if (state & ODS_DEFAULT) {
        ::DrawEdge(dc, &item, EDGE_SUNKEN, BF_RECT);
        ::InflateRect(&item, -1, -1);
        ::DrawEdge(dc, &item, EDGE_RAISED, BF_RECT);
    } else if (m_bFlat) {
        Draw3dRect(dc, item, ::GetSysColor(COLOR_BTNHIGHLIGHT), ::GetSysColor(COLOR_BTNSHADOW));
    } else {
        ::DrawEdge(dc, &item, EDGE_RAISED, BF_RECT);
    }
    return item;
}

void CShadedButton::DrawFocusFrame(HDC dc, RECT inside) const {
    ::InflateRect(&inside, -m_FocusRectMargin, -m_FocusRectMargin);
    DrawDib(m_stripeHorz, dc, inside.left + 1, inside.top);
    DrawDib(m_stripeHorz, dc, inside.left + 1, inside.bottom);
    DrawDib(m_stripeVert, dc, inside.left, inside.top + 1);
    DrawDib(m_stripeVert, dc, inside.right, inside.top + 1);
}

} // namespace corvane
