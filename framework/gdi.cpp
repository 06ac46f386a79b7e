#include "framework/gdi.h"

namespace corvane {

bool CGdiObject::DeleteObject() {
    if (!m_hObject) return false;
    const bool deleted = ::DeleteObject(m_hObject) != FALSE;
    m_hObject = nullptr;
    return deleted;
}

bool CGdiObject::Adopt(HGDIOBJ object) {
    DeleteObject();
    m_hObject = object;
    return object != nullptr;
}

bool CFont::CreateFontIndirect(const LOGFONTA& font) { return Adopt(::CreateFontIndirectA(&font)); }

bool CFont::CreateFont(int height, int width, int escapement, int orientation, int weight, BYTE italic, BYTE underline,
                       BYTE strikeOut, BYTE charSet, BYTE outPrecision, BYTE clipPrecision, BYTE quality,
                       BYTE pitchAndFamily, const char* faceName) {
    return Adopt(::CreateFontA(height, width, escapement, orientation, weight, italic, underline, strikeOut, charSet,
                               outPrecision, clipPrecision, quality, pitchAndFamily, faceName));
}

bool CBitmap::CreateCompatibleBitmap(HDC dc, int width, int height) {
    return Adopt(::CreateCompatibleBitmap(dc, width, height));
}

bool CDC::CreateCompatibleDC(HDC dc) {
    DeleteDC();
    m_hDC = ::CreateCompatibleDC(dc);
    return m_hDC != nullptr;
}

bool CDC::DeleteDC() {
    if (!m_hDC) return false;
    const bool deleted = ::DeleteDC(m_hDC) != FALSE;
    m_hDC = nullptr;
    return deleted;
}

CPaintDC::CPaintDC(CWnd& window) : m_hWnd(window.GetSafeHwnd()), m_hDC(nullptr) {
    if (m_hWnd) m_hDC = ::BeginPaint(m_hWnd, &m_ps);
}

CPaintDC::~CPaintDC() {
    if (m_hWnd) ::EndPaint(m_hWnd, &m_ps);
}

CClientDC::CClientDC(HWND window) : m_hWnd(window), m_hDC(::GetDC(window)) {}

CClientDC::~CClientDC() {
    if (m_hDC) ::ReleaseDC(m_hWnd, m_hDC);
}

CSelectObject::CSelectObject(HDC dc, HGDIOBJ object)
    : m_hDC(dc), m_previous(dc && object ? ::SelectObject(dc, object) : nullptr) {}

CSelectObject::~CSelectObject() {
    if (Succeeded()) ::SelectObject(m_hDC, m_previous);
}

} // namespace corvane
