#include "app/corvane_app_win32.h"

#include "app/platform_win32.h"
#include "heap/process_list.h"
#include "heap/win32/privilege_win32.h"
#include "ui/win32/corvane_dialog_win32.h"

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
    if (m_argument) dialog.PickProcessAtStart(ReadProcessArgument(*m_argument));
    m_pMainWnd = &dialog;
    dialog.DoModal();
    m_pMainWnd = nullptr;
    // No message loop of our own: the program ends with the dialog.
    return FALSE;
}

} // namespace corvane
