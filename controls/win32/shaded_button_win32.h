#pragma once

// A dialog button that draws itself: a shaded, grainy face from the shade
// generator, a lighter face under the pointer, a pressed face, a disabled
// face with embossed text, optional icons per state, a dotted focus frame
// and a tooltip. It keeps behaving as the push button, check box or radio
// button its template made it, and keeps the checked state itself.

#include "controls/dib.h"
#include "framework/controls_win32.h"
#include "framework/handles_win32.h"

#include <string>

namespace corvane {

// Posted by a radio button that becomes checked to every other control of
// its dialog group; wParam and lParam are 0.
constexpr UINT WM_UNCHECK_RADIO = WM_USER + 0x100;

// What PreSubclassWindow reads from the button type bits.
enum class ButtonKind : int { Push = 0, CheckBox = 2, Radio = 4 };

class CShadedButton : public CButton {
public:
    CShadedButton();
    ~CShadedButton() override;

    // Builds the normal, hover, pressed and disabled faces and the two focus
    // stripes for the button's current window size. Repaints nothing.
    void CreateShadeFaces(std::int32_t effect, std::uint8_t granularity, std::uint8_t highlightPercent,
                          std::uint8_t tintPercent, COLORREF tintColor);
    // Returns the previous normal colour; repaints nothing.
    COLORREF SetTextColors(COLORREF normal, COLORREF hover);
    // BS_LEFT, BS_RIGHT or anything else (centred).
    void SetTextAlignment(UINT styleAlignment);
    // Loads the icons from the resource module and places the icon box.
    // pressedIconId and hoverIconId 0 (or an icon that cannot be loaded)
    // mean the normal icon serves in that state too.
    void SetIcon(WORD iconId, UINT align, WORD pressedIconId, WORD hoverIconId, int leftInset);
    // The tooltip shows checkedText while checked when it is not empty,
    // otherwise text. Creates the tooltip on the first call.
    void SetToolTipTexts(std::string text, std::string checkedText);

    void DrawItem(DRAWITEMSTRUCT* item) override;

protected:
    void PreSubclassWindow() override;

    BOOL OnEraseBkgnd(HDC dc);
    void OnLButtonDown(UINT flags, POINT point);
    void OnLButtonUp(UINT flags, POINT point);
    void OnMouseMove(UINT flags, POINT point);
    void OnLButtonDblClk(UINT flags, POINT point);
    void OnKillFocus(HWND newFocus);
    void OnKeyDown(UINT key, UINT repeatCount, UINT flags);
    LRESULT OnMouseLeave(WPARAM wParam, LPARAM lParam);
    LRESULT OnUncheckRadio(WPARAM wParam, LPARAM lParam);
    LRESULT OnSetCheck(WPARAM wParam, LPARAM lParam);
    LRESULT OnGetCheck(WPARAM wParam, LPARAM lParam);

    static const MessageMap* ThisMessageMap();
    const MessageMap* GetMessageMap() const override { return ThisMessageMap(); }

    // Passes a mouse message of the button to the tooltip, which sees the
    // pointer only this way.
    void RelayToToolTip(UINT message, WPARAM wParam, LPARAM lParam);
    // The icons each state draws: the separate one when it was loaded,
    // otherwise the normal icon.
    HICON NormalIcon() const { return m_hIcon.get(); }
    HICON PressedIcon() const { return m_hIconPressed ? m_hIconPressed.get() : m_hIcon.get(); }
    HICON HoverIcon() const { return m_hIconHover ? m_hIconHover.get() : m_hIcon.get(); }

    std::string m_strToolTip;
    std::string m_strToolTipChecked;
    bool m_bChecked = false;
    bool m_bPushLike = false;
    ButtonKind m_nKind = ButtonKind::Push;
    CDib m_faceNormal;
    CDib m_facePressed;
    CDib m_faceDisabled;
    CDib m_faceHover;
    CDib m_stripeHorz; // top and bottom of the focus frame
    CDib m_stripeVert; // left and right of the focus frame
    bool m_bHover = false;
    bool m_bLButtonDown = false;
    CToolTipCtrl m_toolTip;
    short m_FocusRectMargin = 4; // 0 or less: no focus frame
    COLORREF m_crText;
    COLORREF m_crHoverText;
    BOOL m_bBorder = TRUE; // also the pixel offset of the pressed face
    // Only the icons loaded for a state of their own; a state without one
    // draws m_hIcon (see PressedIcon, HoverIcon), so each handle is owned
    // and destroyed exactly once.
    UniqueIcon m_hIcon;
    UniqueIcon m_hIconPressed; // pressed and disabled states
    UniqueIcon m_hIconHover;
    RECT m_rcIcon{};
    UINT m_nTextFormat = DT_CENTER;
    UINT m_nIconAlign = BS_CENTER;
    bool m_bFlat = false;

private:
    bool IsPointerOver(POINT clientPoint) const;
    // While the left button is held: looks pushed exactly while the pointer
    // is over the button. True when the pushed state changed.
    bool LookPushedWhileOver(bool over);
    // A click or the space bar: a check box inverts its state, a radio
    // button becomes checked, a push button stays as it is.
    void ToggleCheck();
    // What the tooltip shows: the checked-state text while checked, when
    // there is one, otherwise the plain text.
    const std::string& ToolTipText() const;
    void ShowToolTipText();

    // DrawItem's parts, each drawing onto the off-screen context `dc`.
    RECT CaptionBox(const RECT& item) const;
    void DrawCaption(HDC dc, const std::string& caption, RECT box, COLORREF color) const;
    void DrawDisabledLook(HDC dc, RECT item, RECT captionBox, const std::string& caption) const;
    void DrawEnabledLook(HDC dc, RECT item, RECT captionBox, const std::string& caption, UINT state) const;
    void DrawPressedLook(HDC dc, RECT item, RECT& captionBox) const;
    // Returns the rectangle the focus frame is inset from: the item's, one
    // pixel smaller inside a default button's double edge.
    RECT DrawNormalLook(HDC dc, RECT item, UINT state) const;
    void DrawFocusFrame(HDC dc, RECT inside) const;
};

} // namespace corvane
