#include "framework/dialog_win32.h"

#include "framework/app_win32.h"

#include <utility>

namespace corvane {
namespace {

// Messages whose result a dialog procedure returns itself instead of
// through DWLP_MSGRESULT.
bool ReturnsResultDirectly(UINT message) {
    return IsCtlColorMessage(message) || message == WM_INITDIALOG || message == WM_QUERYDRAGICON ||
           message == WM_COMPAREITEM || message == WM_VKEYTOITEM || message == WM_CHARTOITEM;
}

} // namespace

void DDX_Control(CDataExchange* pDX, int id, CWnd& control) {
    if (!pDX || !pDX->m_pDlgWnd || control.GetSafeHwnd()) return;
    if (!control.SubclassDlgItem(id, *pDX->m_pDlgWnd)) pDX->m_bFailed = true;
}

CDialog::CDialog(UINT templateId, CWnd* parent) : m_templateId(templateId), m_pParentWnd(parent) {}

CDialog::~CDialog() {
    // A modeless dialog still standing: its derived parts and the member
    // controls are gone already, so it must not reach them while it closes.
    if (const HWND window = m_hWnd) {
        DetachDialog();
        ::DestroyWindow(window);
    }
}

const MessageMap* CDialog::ThisMessageMap() {
    static const MessageMapEntry entries[] = {
        MapMessage<&CDialog::OnInitDialogMessage>(WM_INITDIALOG),
        MapCommand<&CDialog::OnOK>(IDOK, BN_CLICKED),
        MapCommand<&CDialog::OnCancel>(IDCANCEL, BN_CLICKED),
    };
    static const MessageMap map{&CWnd::ThisMessageMap, entries, sizeof entries / sizeof entries[0]};
    return &map;
}

HWND CDialog::OwnerForModal() const {
    if (m_pParentWnd) return m_pParentWnd->GetSafeHwnd();
    if (CWinApp* app = GetApp()) {
        if (app->m_pMainWnd && app->m_pMainWnd != this && app->m_pMainWnd->GetSafeHwnd())
            return app->m_pMainWnd->GetSafeHwnd();
    }
    return ::GetActiveWindow();
}

INT_PTR CDialog::DoModal() {
    if (m_hWnd) return -1;
    m_modal = true;
    m_endResult = -1;
    const INT_PTR result = ::DialogBoxParamA(ResourceModule(), MAKEINTRESOURCEA(m_templateId), OwnerForModal(),
                                             &CDialog::DialogProc, reinterpret_cast<LPARAM>(this));
    m_modal = false;
    return result;
}

bool CDialog::Create(CWnd* parent) {
    if (m_hWnd) return false;
    if (parent) m_pParentWnd = parent;
    m_modal = false;
    m_endResult = -1;
    ::CreateDialogParamA(ResourceModule(), MAKEINTRESOURCEA(m_templateId),
                         m_pParentWnd ? m_pParentWnd->GetSafeHwnd() : nullptr, &CDialog::DialogProc,
                         reinterpret_cast<LPARAM>(this));
    return m_hWnd != nullptr;
}

void CDialog::EndDialog(int result) {
    m_endResult = result;
    if (!m_hWnd) return;
    if (m_modal)
        ::EndDialog(m_hWnd, result);
    else
        DestroyWindow();
}

BOOL CDialog::UpdateData(BOOL) {
    CDataExchange exchange(*this);
    DoDataExchange(&exchange);
    return !exchange.m_bFailed;
}

BOOL CDialog::OnInitDialog() {
    UpdateData(FALSE);
    return TRUE;
}

void CDialog::DoDataExchange(CDataExchange*) {}
void CDialog::OnOK() { EndDialog(IDOK); }
void CDialog::OnCancel() { EndDialog(IDCANCEL); }

LRESULT CDialog::OnInitDialogMessage(WPARAM, LPARAM) { return OnInitDialog(); }

LRESULT CDialog::DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    if (!m_hWnd) return 0;
    // DefDlgProc offers the message to the dialog procedure first, which
    // declines it, and then does its own processing. Messages that a handler
    // sends to the dialog before this keep their own handlers, and so do
    // those that the dialog manager sends while it works.
    const DefaultRequest outer = std::exchange(m_defaultRequest, DefaultRequest{true, message, wParam, lParam});
    const LRESULT result = ::DefDlgProcA(m_hWnd, message, wParam, lParam);
    m_defaultRequest = outer;
    return result;
}

bool CDialog::TakeDefaultRequest(UINT message, WPARAM wParam, LPARAM lParam) {
    DefaultRequest& request = m_defaultRequest;
    if (!request.pending || request.message != message || request.wParam != wParam || request.lParam != lParam)
        return false;
    request.pending = false;
    return true;
}

void CDialog::AttachDialog(HWND window) {
    BindHandle(window);
    detail::RetainPreTranslateHook();
}

void CDialog::DetachDialog() {
    if (!m_hWnd) return;
    UnbindHandle();
    detail::ReleasePreTranslateHook();
}

INT_PTR CALLBACK CDialog::DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    CDialog* dialog = nullptr;
    LRESULT result = 0;
    bool handled = false;
    try {
        // Only AttachDialog ties a dialog window to an object: the one that
        // CreateDialogParam or DialogBoxParam passes with WM_INITDIALOG.
        dialog = static_cast<CDialog*>(FromHandle(window));
        if (!dialog && message == WM_INITDIALOG && lParam) {
            dialog = reinterpret_cast<CDialog*>(lParam);
            dialog->AttachDialog(window);
        }
        if (!dialog || dialog->TakeDefaultRequest(message, wParam, lParam)) return FALSE;
        CurrentMessage current(*dialog, message, wParam, lParam);
        result = dialog->WindowProc(message, wParam, lParam);
        handled = true;
    } catch (...) {
        // Nothing crosses the dialog procedure: the dialog manager handles
        // the message as if no handler had taken it.
        detail::LogHandlerException(message);
    }
    if (!dialog) return FALSE;
    if (message == WM_NCDESTROY) dialog->DetachDialog();
    if (!handled) return FALSE;
    // Where no handler took the message, WindowProc has had the dialog
    // manager process it already; it must not do so again.
    if (ReturnsResultDirectly(message)) return static_cast<INT_PTR>(result);
    ::SetWindowLongPtrA(window, DWLP_MSGRESULT, static_cast<LONG_PTR>(result));
    return TRUE;
}

} // namespace corvane
