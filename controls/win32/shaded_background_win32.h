#pragma once

// A dialog background that is generated once per run, at the dialog's first
// paint, and kept off screen: every later paint is one block copy.

#include "controls/dib.h"
#include "framework/gdi_win32.h"

#include <cstdint>

namespace corvane {

class CShadedBackgroundCache {
public:
    // Copies the background to `dc`, the part within `area` (what needs
    // painting; the copy is clipped to it anyway, but Wine copies whatever it
    // is given). On the first call it is generated first: a shade of `effect`
    // tinted with `tint`, `width` by `height` pixels, into the image, then
    // drawn into an off-screen bitmap that lives as long as this cache.
    void Paint(HDC dc, const RECT& area, int width, int height, std::int32_t effect, COLORREF tint);

private:
    bool m_pending = true;
    // The shaded image, made at the first paint.
    CDib m_dibBackground;
    CDC m_memoryDC;
    CBitmap m_bitmap;
    // The bitmap stays selected into the memory DC for as long as the cache
    // lives; the selection goes first, before the bitmap and the DC.
    CSelectObject m_selection;
};

} // namespace corvane
