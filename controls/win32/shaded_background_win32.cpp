#include "controls/win32/shaded_background_win32.h"

#include "controls/win32/dib_draw_win32.h"
#include "controls/win32/shade_win32.h"

namespace corvane {

void CShadedBackgroundCache::Paint(HDC dc, const RECT& area, int width, int height, std::int32_t effect,
                                   COLORREF tint) {
    if (m_pending) {
        m_pending = false;
        CreateShadeBackground(m_dibBackground, effect, width, height, tint);
        // A failed creation leaves the drawing undone; the copy below then
        // copies nothing.
        if (m_memoryDC.CreateCompatibleDC(dc) && m_bitmap.CreateCompatibleBitmap(dc, width, height)) {
            m_selection = CSelectObject(m_memoryDC, m_bitmap.GetSafeHandle());
            DrawDib(m_dibBackground, m_memoryDC, 0, 0);
        }
    }
    RECT copy = {};
    const RECT client = {0, 0, width, height};
    if (::IntersectRect(&copy, &area, &client))
        ::BitBlt(dc, copy.left, copy.top, copy.right - copy.left, copy.bottom - copy.top, m_memoryDC, copy.left,
                 copy.top, SRCCOPY);
}

} // namespace corvane
