#pragma once

// Dialogs built from a resource template: modal through DialogBoxParamA, or
// modeless (tests drive these), with data exchange that binds the template's
// controls to member objects.

#include "framework/window_win32.h"

namespace corvane {

class CDialog;

// One run of DoDataExchange.
class CDataExchange {
public:
    explicit CDataExchange(CDialog& dialog) : m_pDlgWnd(&dialog) {}

    CDialog* m_pDlgWnd; // not owned
    bool m_bFailed = false;
};

// Binds control id of the dialog to the object (subclassing it, so that the
// object's PreSubclassWindow runs now). Controls are bound in the order of
// the calls; an object that is already bound is left alone. A missing
// control marks the exchange failed.
void DDX_Control(CDataExchange* pDX, int id, CWnd& control);

class CDialog : public CWnd {
public:
    // parent: owner of the dialog, not owned; none lets DoModal choose the
    // application's main window or the active window.
    explicit CDialog(UINT templateId, CWnd* parent = nullptr);
    ~CDialog() override;

    // Runs the dialog modally; the result of EndDialog, or -1 when the
    // dialog cannot be created.
    virtual INT_PTR DoModal();
    // Creates the dialog modeless; it shows when its template says so.
    bool Create(CWnd* parent = nullptr);

    // Ends the dialog with the result: a modal one through the dialog
    // manager, which makes DoModal return the result; a modeless one is
    // destroyed, the platform's way of ending it.
    void EndDialog(int result);
    // The result the dialog last ended with; -1 until it ends.
    int GetEndResult() const { return m_endResult; }

    // Runs DoDataExchange, which binds the controls not bound yet. Binding
    // is all an exchange does, so both directions run the same.
    BOOL UpdateData(BOOL saveAndValidate = TRUE);

    // The base binds the controls (DoDataExchange) and returns TRUE: the
    // dialog manager gives the focus to the first control.
    virtual BOOL OnInitDialog();

protected:
    virtual void DoDataExchange(CDataExchange* pDX);
    // IDOK and IDCANCEL end the dialog with that result.
    virtual void OnOK();
    virtual void OnCancel();

    // The dialog manager's processing of the message (see CWnd::Default).
    LRESULT DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

    static const MessageMap* ThisMessageMap();
    const MessageMap* GetMessageMap() const override { return ThisMessageMap(); }

private:
    // A message handed to DefDlgProc for its own processing, which the
    // dialog procedure declines when DefDlgProc first offers it there.
    struct DefaultRequest {
        bool pending;
        UINT message;
        WPARAM wParam;
        LPARAM lParam;
    };

    static INT_PTR CALLBACK DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT OnInitDialogMessage(WPARAM wParam, LPARAM lParam);
    bool TakeDefaultRequest(UINT message, WPARAM wParam, LPARAM lParam);
    void AttachDialog(HWND window);
    void DetachDialog();
    HWND OwnerForModal() const;

    UINT m_templateId;
    CWnd* m_pParentWnd; // not owned
    bool m_modal = false;
    DefaultRequest m_defaultRequest{};
    int m_endResult = -1;
};

} // namespace corvane
