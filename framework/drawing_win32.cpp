#include "framework/drawing_win32.h"

#include "framework/app_win32.h"

namespace corvane {

void FillSolid(HDC dc, int x, int y, int width, int height, COLORREF color) {
    const RECT area{x, y, x + width, y + height};
    const COLORREF previous = ::SetBkColor(dc, color);
    ::ExtTextOutA(dc, 0, 0, ETO_OPAQUE, &area, nullptr, 0, nullptr);
    ::SetBkColor(dc, previous);
}

void Draw3dRect(HDC dc, const RECT& r, COLORREF topLeft, COLORREF bottomRight) {
    const int width = r.right - r.left;
    const int height = r.bottom - r.top;
    FillSolid(dc, r.left, r.top, width - 1, 1, topLeft);
    FillSolid(dc, r.left, r.top, 1, height - 1, topLeft);
    FillSolid(dc, r.right - 1, r.top, 1, height, bottomRight);
    FillSolid(dc, r.left, r.bottom - 1, width, 1, bottomRight);
}

void DrawStateIcon(HDC dc, HICON icon, const RECT& box, UINT flags) {
    ::DrawStateA(dc, nullptr, nullptr, reinterpret_cast<LPARAM>(icon), 0, box.left, box.top, box.right - box.left,
                 box.bottom - box.top, DST_ICON | flags);
}

HBITMAP CreateTopDownBitmap(HDC dc, int width, int height, void** bits) {
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height; // negative: the first row is the top one
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    return ::CreateDIBSection(dc, &info, DIB_RGB_COLORS, bits, nullptr, 0);
}

HICON LoadIconResource(WORD id) {
    return static_cast<HICON>(::LoadImageA(ResourceModule(), MAKEINTRESOURCEA(id), IMAGE_ICON, 0, 0, LR_DEFAULTCOLOR));
}

} // namespace corvane
