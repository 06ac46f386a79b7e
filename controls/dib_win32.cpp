#include "controls/dib.h"

namespace corvane {

bool CDib::Draw(HDC hdc, int x, int y) const {
    if (m_block == nullptr || hdc == nullptr) return false;
    ::SetStretchBltMode(hdc, COLORONCOLOR);
    // The block starts with the header and its colour table: it is the
    // BITMAPINFO the platform asks for, no conversion needed. Whether the
    // platform drew the lines is not a failure we act on.
    ::SetDIBitsToDevice(hdc, x, y, static_cast<DWORD>(m_header.biWidth), static_cast<DWORD>(m_header.biHeight), 0, 0, 0,
                        static_cast<UINT>(m_header.biHeight), GetBits(), reinterpret_cast<const BITMAPINFO*>(m_block),
                        DIB_RGB_COLORS);
    return true;
}

} // namespace corvane
