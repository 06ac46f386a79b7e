#pragma once

// A dialog background that is generated once per run, at the dialog's first
// paint, and kept off screen: every later paint is one block copy.

#include "controls/dib.h"
#include "framework/gdi.h"

#include <cstdint>

namespace corvane {

class CShadedBackgroundCache {
public:
    // Copies the background to `dc`, the part within `area` (what needs
    // painting; the copy is clipped to it anyway, but Wine copies whatever it
    // is given). On the first call it is generated first: a shade of `effect`
    // tinted with `tint`, `width` by `height` pixels, into `dib`, then drawn
    // into an off-screen bitmap that lives as long as this cache.
    void Paint(HDC dc, const RECT& area, int width, int height, CDib& dib, std::int32_t effect, COLORREF tint);
    bool IsRendered() const { return !m_pending; }

private:
    bool m_pending = true;
    // The bitmap stays selected into the memory DC for good; the DC is
    // declared after it so that it is deleted first.
    CBitmap m_bitmap;
    CDC m_memoryDC;
};

} // namespace corvane
