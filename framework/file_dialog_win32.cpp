#include "framework/file_dialog_win32.h"

#include "framework/app_win32.h"
#include "framework/seams_win32.h"

#include <cstring>

namespace corvane {

CFileDialog::CFileDialog(BOOL openFileDialog, const char* defaultExtension, const char* fileName, DWORD flags,
                         const char* filter, CWnd* parent)
    : m_open(openFileDialog != FALSE), m_defaultExtension(defaultExtension ? defaultExtension : ""),
      m_filter(filter ? filter : ""), m_fileName(fileName ? fileName : ""), m_pParentWnd(parent) {
    for (char& c : m_filter)
        if (c == '|') c = '\0';
    m_ofn.lStructSize = sizeof m_ofn;
    m_ofn.Flags = flags | OFN_EXPLORER;
}

INT_PTR CFileDialog::DoModal() {
    char path[MAX_PATH] = {};
    std::strncpy(path, m_fileName.c_str(), MAX_PATH - 1);
    // The filter string is double-zero terminated: c_str() adds the last zero.
    m_ofn.lpstrFilter = m_filter.empty() ? nullptr : m_filter.c_str();
    m_ofn.lpstrDefExt = m_defaultExtension.empty() ? nullptr : m_defaultExtension.c_str();
    m_ofn.lpstrFile = path;
    m_ofn.nMaxFile = MAX_PATH;
    m_ofn.hwndOwner = m_pParentWnd ? m_pParentWnd->GetSafeHwnd() : nullptr;
    if (!m_ofn.hwndOwner && GetApp() && GetApp()->m_pMainWnd) m_ofn.hwndOwner = GetApp()->m_pMainWnd->GetSafeHwnd();
    const bool chosen = RunFileDialog(m_ofn, m_open);
    m_ofn.lpstrFile = nullptr;
    if (!chosen) return IDCANCEL;
    m_fileName = path;
    return IDOK;
}

} // namespace corvane
