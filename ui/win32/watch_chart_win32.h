#pragma once

// Draws the watch's chart of busy bytes over time: the legend along the
// top, the bytes and time axes with their round ticks, and one line per
// heap line of the watch.

#include "framework/window_win32.h"
#include "heap/heap_watch.h"

#include <windows.h>

#include <vector>

namespace corvane {

// The colour each line of the watch is drawn in, in the order the watch
// gives its lines.
COLORREF WatchLineColour(WatchLineKind kind, std::size_t heapLine);
constexpr COLORREF kWatchTotalColour = RGB(0, 0, 0);

// Draws into `area` of `dc` with the font selected in it.
void DrawWatchChart(HDC dc, const RECT& area, const std::vector<WatchLine>& lines, AddressWidth width);

// The chart as a control: an owner-drawn static of a dialog's template,
// drawn whole into a bitmap and then copied, so that it never shows half
// drawn while samples arrive.
class CWatchChart : public CWnd {
public:
    // Keeps the lines to draw and draws them.
    void Show(std::vector<WatchLine> lines, AddressWidth width);

protected:
    bool OnChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

private:
    void Draw(const DRAWITEMSTRUCT& item) const;

    std::vector<WatchLine> m_lines;
    AddressWidth m_width = AddressWidth::Bits32;
};

} // namespace corvane
