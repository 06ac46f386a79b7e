#include "controls/win32/dib_draw_win32.h"

namespace corvane {

bool DrawDib(const CDib& dib, HDC hdc, int x, int y) {
    if (!dib.IsValid() || hdc == nullptr) return false;
    ::SetStretchBltMode(hdc, COLORONCOLOR);
    // The block starts with the header and its colour table: it is the
    // BITMAPINFO the platform asks for, no conversion needed. Whether the
    // platform drew the lines is not a failure we act on.
    ::SetDIBitsToDevice(hdc, x, y, static_cast<DWORD>(dib.GetWidth()), static_cast<DWORD>(dib.GetHeight()), 0, 0, 0,
                        static_cast<UINT>(dib.GetHeight()), dib.GetBits(),
                        reinterpret_cast<const BITMAPINFO*>(dib.GetBlock()), DIB_RGB_COLORS);
    return true;
}

} // namespace corvane
