#pragma once

// The look that Corvane's dialogs share: a shaded background, generated at
// the first paint of the first dialog of a kind in the run and kept for the
// rest of it, under labels whose text is drawn straight on it, and shaded
// buttons.

#include "controls/win32/shaded_background_win32.h"
#include "controls/win32/shaded_button_win32.h"
#include "framework/dialog_win32.h"
#include "framework/gdi_win32.h"
#include "ui/message_icon.h"

#include <string>

namespace corvane {

class CShadedDialog : public CDialog {
public:
    // The tint of every shaded surface of the program, buttons included.
    static constexpr COLORREF kShadeTint = RGB(0, 102, 0);

protected:
    CShadedDialog(UINT templateId, CWnd* parent);

    // Copies the background into the part of the window being painted.
    void PaintBackground(CPaintDC& dc);
    // Paints the background: WM_PAINT of a dialog that shows nothing else.
    void OnPaint();
    // Gives a button the faces and text colours of the program's buttons.
    static void SetUpButton(CShadedButton& button);
    // A message box over this dialog, captioned as every box of the program.
    void ShowProgramMessage(const std::string& text, MessageIcon icon) const;
    // Where a child window lies, in this dialog's client coordinates.
    RECT ChildRect(const CWnd& child) const;
    // Shows a new text in a label drawn on the background: the part of the
    // background under it is drawn again, so the old text goes.
    void SetLabelText(CWnd& label, const std::string& text);
    // Whether the control's text is drawn on the background itself.
    virtual bool IsTransparentLabel(int controlId) const = 0;
    // The default answer, and for the transparent labels a transparent
    // background and no brush.
    HBRUSH OnCtlColor(HDC dc, HWND control, UINT ctlType);

    static const MessageMap* ThisMessageMap();
    const MessageMap* GetMessageMap() const override { return ThisMessageMap(); }

private:
    CShadedBackgroundCache& m_background; // one per template, for the run
};

} // namespace corvane
