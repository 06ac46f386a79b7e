#pragma once

// A static text control of a dialog made into a link: underlined, in a link
// colour that turns to a hover colour under the pointer, with the hand
// cursor and a tooltip. A click opens the link target through the shell, or,
// in notify-parent mode, sends WM_HYPERLINK_CLICKED to the parent.

#include "framework/controls_win32.h"
#include "framework/gdi_win32.h"

#include <string>

namespace corvane {

// Sent to the parent by a label in notify-parent mode: wParam is the label's
// control id, lParam 0.
constexpr UINT WM_HYPERLINK_CLICKED = WM_USER + 0x65;

class CLinkLabel : public CStatic {
public:
    // The tooltip tool that the label registers for itself.
    static constexpr UINT_PTR kToolId = 1001;
    static constexpr COLORREF kDefaultLinkColor = RGB(180, 180, 180);
    static constexpr COLORREF kHoverColor = RGB(255, 99, 0);

    CLinkLabel();

    void SetLinkUrl(std::string url);
    void SetNotifyParent(bool notifyParent);
    // Lets SetToolTipText change the tooltip; does not touch the tooltip.
    void SetToolTipEnabled(bool enabled);
    // Only when enabled, and only once the label is attached.
    void SetToolTipText(const char* text);
    // The colour out of hover; shows at the next repaint.
    void SetLinkColor(COLORREF color);

    // Hands every message to the tooltip, which sees the label's mouse
    // messages only this way.
    BOOL PreTranslateMessage(MSG* message) override;

protected:
    void PreSubclassWindow() override;

    void OnMouseMove(UINT flags, POINT point);
    LRESULT OnCaptureChanged(WPARAM wParam, LPARAM newCapture);
    BOOL OnSetCursor(HWND window, UINT hitTest, UINT mouseMessage);
    void OnClicked();
    HBRUSH CtlColor(HDC dc, UINT ctlType);

    static const MessageMap* ThisMessageMap();
    const MessageMap* GetMessageMap() const override { return ThisMessageMap(); }

private:
    void OpenLink(std::string link);

    bool m_bNotifyParent = false;
    HCURSOR m_hLinkCursor = nullptr; // system cursor, shared, never destroyed
    bool m_bToolTipEnabled = false;
    bool m_bHover = false;
    // In the shell call, after which the label takes the capture back.
    bool m_bOpening = false;
    CFont m_fontLink; // the attached control's font, underlined
    CToolTipCtrl m_ToolTip;
    std::string m_strLink;
    COLORREF m_crHover = kHoverColor;
    COLORREF m_crNormal = kDefaultLinkColor;
};

} // namespace corvane
