#include "ui/win32/watch_chart_win32.h"

#include "framework/drawing_win32.h"
#include "framework/gdi_win32.h"
#include "ui/watch_chart.h"

#include <algorithm>
#include <iterator>
#include <string>
#include <utility>

namespace corvane {

namespace {

// The chart's colours: one per line of the largest heaps, then the others
// together, then the total.
constexpr COLORREF kHeapLineColours[] = {RGB(31, 119, 180), RGB(230, 120, 20), RGB(44, 160, 44), RGB(170, 60, 170)};
static_assert(std::size(kHeapLineColours) == HeapWatch::kMaxLines, "one colour per heap line");
constexpr COLORREF kOthersColour = RGB(140, 140, 140);

constexpr COLORREF kGridColour = RGB(225, 225, 225);
constexpr COLORREF kAxisColour = RGB(96, 96, 96);
constexpr COLORREF kChartBackground = RGB(255, 255, 255);

using UniquePen = UniqueGdiObject<HPEN>;

SIZE TextSize(HDC dc, const std::string& text) {
    SIZE size = {};
    ::GetTextExtentPoint32A(dc, text.c_str(), static_cast<int>(text.size()), &size);
    return size;
}

void Line(HDC dc, int x1, int y1, int x2, int y2) {
    ::MoveToEx(dc, x1, y1, nullptr);
    ::LineTo(dc, x2, y2);
}

// The points of a line, drawn as runs that a broken sample interrupts.
void DrawPolyline(HDC dc, const std::vector<ChartPixel>& pixels) {
    std::vector<POINT> run;
    const auto flush = [&] {
        if (run.size() == 1) run.push_back({run[0].x + 1, run[0].y}); // a lone sample still shows
        if (!run.empty()) ::Polyline(dc, run.data(), static_cast<int>(run.size()));
        run.clear();
    };
    for (const ChartPixel& pixel : pixels) {
        if (pixel.gapBefore) flush();
        run.push_back({pixel.x, pixel.y});
    }
    flush();
}

} // namespace

COLORREF WatchLineColour(WatchLineKind kind, std::size_t heapLine) {
    switch (kind) {
    case WatchLineKind::Heap: return kHeapLineColours[heapLine % std::size(kHeapLineColours)];
    case WatchLineKind::AllOthers: return kOthersColour;
    case WatchLineKind::Total: break;
    }
    return kWatchTotalColour;
}

void DrawWatchChart(HDC dc, const RECT& area, const std::vector<WatchLine>& lines, AddressWidth width) {
    FillSolid(dc, area.left, area.top, area.right - area.left, area.bottom - area.top, kChartBackground);
    ::SetBkMode(dc, TRANSPARENT);
    TEXTMETRICA metrics = {};
    ::GetTextMetricsA(dc, &metrics);
    const int lineHeight = metrics.tmHeight;
    const int pad = ScaleToSystemDpi(6), swatch = ScaleToSystemDpi(18), gap = ScaleToSystemDpi(14);

    // The labels depend on the values, not the room: measured first, they
    // give the room the plot leaves them.
    const WatchChartGeometry labels = WatchChartScales(lines, width);
    int labelWidth = 0;
    for (const ChartTick& tick : labels.bytesTicks)
        labelWidth = std::max<int>(labelWidth, TextSize(dc, tick.label).cx);

    // The legend: a row of entries along the top, wrapping where it must.
    struct LegendPlace {
        int x, y;
    };
    std::vector<LegendPlace> places;
    int x = area.left + pad, y = area.top + pad;
    for (const ChartPolyline& line : labels.lines) {
        const int entry = swatch + pad / 2 + TextSize(dc, line.legend).cx;
        if (x + entry > area.right - pad && x > area.left + pad) {
            x = area.left + pad;
            y += lineHeight;
        }
        places.push_back({x, y});
        x += entry + gap;
    }
    const int legendBottom = y + lineHeight;

    const int lastLabelHalf = labels.timeTicks.empty() ? 0 : TextSize(dc, labels.timeTicks.back().label).cx / 2;
    const ChartRect plot{area.left + pad + labelWidth + pad, legendBottom + lineHeight / 2 + pad / 2,
                         area.right - std::max(pad, lastLabelHalf + 2), area.bottom - lineHeight - pad};
    if (plot.right - plot.left < 8 || plot.bottom - plot.top < 8) return;
    const WatchChartGeometry chart = LayOutWatchChart(lines, plot, width);

    {
        const UniquePen grid(::CreatePen(PS_SOLID, 1, kGridColour));
        const CSelectObject pen(dc, grid.get());
        ::SetTextColor(dc, kAxisColour);
        for (const ChartTick& tick : chart.bytesTicks) {
            Line(dc, plot.left, tick.pixel, plot.right, tick.pixel);
            const SIZE size = TextSize(dc, tick.label);
            ::TextOutA(dc, plot.left - pad / 2 - size.cx, tick.pixel - lineHeight / 2, tick.label.c_str(),
                       static_cast<int>(tick.label.size()));
        }
        for (const ChartTick& tick : chart.timeTicks) {
            Line(dc, tick.pixel, plot.top, tick.pixel, plot.bottom);
            const SIZE size = TextSize(dc, tick.label);
            ::TextOutA(dc, tick.pixel - size.cx / 2, plot.bottom + pad / 2, tick.label.c_str(),
                       static_cast<int>(tick.label.size()));
        }
    }
    {
        const UniquePen axis(::CreatePen(PS_SOLID, 1, kAxisColour));
        const CSelectObject pen(dc, axis.get());
        Line(dc, plot.left, plot.top, plot.left, plot.bottom);
        Line(dc, plot.left, plot.bottom, plot.right + 1, plot.bottom);
    }

    std::size_t heapLine = 0;
    for (std::size_t i = 0; i < lines.size() && i < chart.lines.size(); ++i) {
        const WatchLineKind kind = lines[i].kind;
        const COLORREF colour = WatchLineColour(kind, heapLine);
        if (kind == WatchLineKind::Heap) ++heapLine;
        const int thickness = ScaleToSystemDpi(kind == WatchLineKind::Total ? 2 : 1);
        const UniquePen linePen(::CreatePen(PS_SOLID, thickness, colour));
        const CSelectObject pen(dc, linePen.get());
        DrawPolyline(dc, chart.lines[i].points);
        if (i < places.size()) {
            const LegendPlace& place = places[i];
            Line(dc, place.x, place.y + lineHeight / 2, place.x + swatch, place.y + lineHeight / 2);
            ::SetTextColor(dc, kWatchTotalColour);
            const std::string& legend = chart.lines[i].legend;
            ::TextOutA(dc, place.x + swatch + pad / 2, place.y, legend.c_str(), static_cast<int>(legend.size()));
        }
    }
    Draw3dRect(dc, area, kAxisColour, kAxisColour);
}

void CWatchChart::Show(std::vector<WatchLine> lines, AddressWidth width) {
    m_lines = std::move(lines);
    m_width = width;
    Invalidate(false);
}

bool CWatchChart::OnChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    if (message != WM_DRAWITEM) return CWnd::OnChildNotify(message, wParam, lParam, result);
    if (const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam)) Draw(*item);
    result = TRUE;
    return true;
}

void CWatchChart::Draw(const DRAWITEMSTRUCT& item) const {
    const RECT& area = item.rcItem;
    const int width = area.right - area.left, height = area.bottom - area.top;
    CDC memory;
    CBitmap bitmap;
    if (width <= 0 || height <= 0 || !memory.CreateCompatibleDC(item.hDC) ||
        !bitmap.CreateCompatibleBitmap(item.hDC, width, height))
        return;
    const CSelectObject selected(memory, bitmap);
    const CSelectObject font(memory, GetFont());
    DrawWatchChart(memory, RECT{0, 0, width, height}, m_lines, m_width);
    ::BitBlt(item.hDC, area.left, area.top, width, height, memory, 0, 0, SRCCOPY);
}

} // namespace corvane
