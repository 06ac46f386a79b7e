#include "app/corvane_app.h"

#include "app/win32_platform.h"
#include "heap/win32/privilege_win32.h"
#include "ui/corvane_dialog.h"

#include <commctrl.h>

namespace corvane {

bool Win32Platform::EnableDebugPrivilege() { return corvane::EnableDebugPrivilege(); }

BOOL CCorvaneApp::InitInstance() {
    INITCOMMONCONTROLSEX controls = {};
    controls.dwSize = sizeof controls;
    controls.dwICC = ICC_WIN95_CLASSES;
    ::InitCommonControlsEx(&controls);
    CWinApp::InitInstance();

    CCorvaneDlg dialog(m_platform);
    m_pMainWnd = &dialog;
    dialog.DoModal();
    m_pMainWnd = nullptr;
    // No message loop of our own: the program ends with the dialog.
    return FALSE;
}

} // namespace corvane
