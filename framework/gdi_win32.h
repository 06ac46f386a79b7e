#pragma once

// Owners of GDI objects and device contexts. Each releases what it holds
// when it goes; the object owners are move-only, the device-context scopes
// neither copy nor move.

#include "framework/handles_win32.h"
#include "framework/window_win32.h"

namespace corvane {

class CGdiObject {
public:
    HGDIOBJ GetSafeHandle() const { return m_object.get(); }
    // Releases the object now; true when there was one and it went.
    bool DeleteObject();

protected:
    // Takes over a new object, releasing the one held.
    bool Adopt(HGDIOBJ object);

    UniqueGdiObject<HGDIOBJ> m_object;
};

class CFont : public CGdiObject {
public:
    bool CreateFontIndirect(const LOGFONTA& font);
    bool CreateFont(int height, int width, int escapement, int orientation, int weight, BYTE italic, BYTE underline,
                    BYTE strikeOut, BYTE charSet, BYTE outPrecision, BYTE clipPrecision, BYTE quality,
                    BYTE pitchAndFamily, const char* faceName);
    HFONT GetSafeHandle() const { return static_cast<HFONT>(m_object.get()); }
    operator HFONT() const { return GetSafeHandle(); }
};

class CBitmap : public CGdiObject {
public:
    bool CreateCompatibleBitmap(HDC dc, int width, int height);
    // Takes over a bitmap made elsewhere, releasing the one held.
    bool Attach(HBITMAP bitmap) { return Adopt(bitmap); }
    HBITMAP GetSafeHandle() const { return static_cast<HBITMAP>(m_object.get()); }
    operator HBITMAP() const { return GetSafeHandle(); }
};

// A memory device context that this object created and deletes.
class CDC {
public:
    bool CreateCompatibleDC(HDC dc);
    bool DeleteDC();
    HDC GetSafeHdc() const { return m_hDC.get(); }
    operator HDC() const { return m_hDC.get(); }

private:
    UniqueMemoryDc m_hDC;
};

// BeginPaint .. EndPaint for a window's WM_PAINT.
class CPaintDC {
public:
    explicit CPaintDC(CWnd& window);
    ~CPaintDC();
    CPaintDC(const CPaintDC&) = delete;
    CPaintDC& operator=(const CPaintDC&) = delete;

    HDC GetSafeHdc() const { return m_hDC; }
    operator HDC() const { return m_hDC; }
    PAINTSTRUCT m_ps{};

private:
    HWND m_hWnd;
    HDC m_hDC;
};

// GetDC .. ReleaseDC of a window's client area.
class CClientDC {
public:
    explicit CClientDC(HWND window);
    ~CClientDC();
    CClientDC(const CClientDC&) = delete;
    CClientDC& operator=(const CClientDC&) = delete;

    HDC GetSafeHdc() const { return m_hDC; }
    operator HDC() const { return m_hDC; }

private:
    HWND m_hWnd;
    HDC m_hDC;
};

// Selects an object into a device context and selects the previous one
// back when it goes, so that the object can then be deleted. Every selection
// the program makes goes through one.
class CSelectObject {
public:
    CSelectObject() = default;
    CSelectObject(HDC dc, HGDIOBJ object);
    ~CSelectObject();
    CSelectObject(const CSelectObject&) = delete;
    CSelectObject& operator=(const CSelectObject&) = delete;
    CSelectObject(CSelectObject&& other) noexcept;
    CSelectObject& operator=(CSelectObject&& other) noexcept;

    // False when the selection failed (nothing is restored then).
    bool Succeeded() const { return m_previous != nullptr && m_previous != HGDI_ERROR; }

private:
    void Restore();

    HDC m_hDC = nullptr;
    HGDIOBJ m_previous = nullptr;
};

// `pixels` measured at 96 DPI, in pixels at the system DPI. The program is
// aware of the system DPI, so its dialogs, laid out in dialog units, grow
// with it; sizes given in pixels (columns, fonts) must grow with them.
int ScaleToSystemDpi(int pixels);

} // namespace corvane
