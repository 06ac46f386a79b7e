#pragma once

// The platform's open and save file dialogs, run through the file-dialog
// seam (framework/seams_win32.h).

#include "framework/window_win32.h"

#include <windows.h>
// After windows.h, which it needs.
#include <commdlg.h>

#include <string>

namespace corvane {

class CFileDialog {
public:
    // filter: pairs of "description|pattern|", ended by a further "|", as in
    // "All Files (*.*)|*.*||". flags: OFN_* flags; the explorer style is
    // always added. parent: owner, not owned; none means the application's
    // main window.
    CFileDialog(BOOL openFileDialog, const char* defaultExtension = nullptr, const char* fileName = nullptr,
                DWORD flags = OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT, const char* filter = nullptr,
                CWnd* parent = nullptr);
    CFileDialog(const CFileDialog&) = delete;
    CFileDialog& operator=(const CFileDialog&) = delete;

    // IDOK with the chosen path, or IDCANCEL.
    INT_PTR DoModal();
    std::string GetPathName() const { return m_fileName; }

    OPENFILENAMEA m_ofn{};

private:
    bool m_open;
    std::string m_defaultExtension;
    std::string m_filter;   // the filter with '|' turned into '\0'
    std::string m_fileName; // MAX_PATH buffer while the dialog runs
    CWnd* m_pParentWnd;     // not owned
};

} // namespace corvane
