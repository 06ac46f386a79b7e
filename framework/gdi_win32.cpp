#include "framework/gdi_win32.h"

#include <utility>

namespace corvane {

bool CGdiObject::DeleteObject() {
    const HGDIOBJ object = m_object.release();
    return object != nullptr && ::DeleteObject(object) != FALSE;
}

bool CGdiObject::Adopt(HGDIOBJ object) {
    m_object.reset(object);
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
    m_hDC.reset(::CreateCompatibleDC(dc));
    return static_cast<bool>(m_hDC);
}

bool CDC::DeleteDC() {
    const HDC dc = m_hDC.release();
    return dc != nullptr && ::DeleteDC(dc) != FALSE;
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

CSelectObject::~CSelectObject() { Restore(); }

CSelectObject::CSelectObject(CSelectObject&& other) noexcept
    : m_hDC(std::exchange(other.m_hDC, nullptr)), m_previous(std::exchange(other.m_previous, nullptr)) {}

CSelectObject& CSelectObject::operator=(CSelectObject&& other) noexcept {
    if (this != &other) {
        Restore();
        m_hDC = std::exchange(other.m_hDC, nullptr);
        m_previous = std::exchange(other.m_previous, nullptr);
    }
    return *this;
}

void CSelectObject::Restore() {
    if (Succeeded()) ::SelectObject(m_hDC, m_previous);
    m_hDC = nullptr;
    m_previous = nullptr;
}

int ScaleToSystemDpi(int pixels) {
    // The system DPI is fixed for the life of a process that is not aware of
    // each monitor's own.
    static const int dpi = [] {
        const HDC screen = ::GetDC(nullptr);
        const int logical = screen ? ::GetDeviceCaps(screen, LOGPIXELSY) : 0;
        if (screen) ::ReleaseDC(nullptr, screen);
        return logical > 0 ? logical : 96;
    }();
    return ::MulDiv(pixels, dpi, 96);
}

} // namespace corvane
