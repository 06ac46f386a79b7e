// Measures, under Wine, drawing the watch's chart of a day of samples taken
// every second (thinned as the watch keeps them) into a bitmap of the
// chart's size, beside drawing the same day unthinned, every sample a point
// of its line, in the same run.

#include "bench/win32/clock.h"
#include "framework/drawing_win32.h"
#include "framework/handles_win32.h"
#include "heap/heap_watch.h"
#include "ui/win32/watch_chart_win32.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace corvane {
namespace {

constexpr int kSeconds = 86400, kHeaps = 6, kRounds = 15;
constexpr int kWidth = 1000, kHeight = 400;

std::uint64_t BusyBytes(int t, int heap) {
    return static_cast<std::uint64_t>(heap) * 100000 + static_cast<std::uint64_t>(t) * heap % 40960;
}

// A 32-bit bitmap selected into a memory device context.
struct Canvas {
    Canvas() {
        void* bits = nullptr;
        bitmap.reset(CreateTopDownBitmap(nullptr, kWidth, kHeight, &bits));
        dc.reset(::CreateCompatibleDC(nullptr));
        previous = ::SelectObject(dc.get(), bitmap.get());
        font = ::SelectObject(dc.get(), ::GetStockObject(DEFAULT_GUI_FONT));
    }
    ~Canvas() {
        ::SelectObject(dc.get(), font);
        ::SelectObject(dc.get(), previous);
    }
    UniqueGdiObject<HBITMAP> bitmap;
    UniqueMemoryDc dc;
    HGDIOBJ previous = nullptr, font = nullptr;
};

template <typename Draw> std::vector<double> Time(Draw draw) {
    std::vector<double> times;
    for (int round = 0; round < kRounds; ++round) {
        const LARGE_INTEGER start = Now();
        draw();
        ::GdiFlush();
        times.push_back(Milliseconds(start, Now()));
    }
    return times;
}

int Run() {
    HeapWatch watch;
    for (int t = 0; t < kSeconds; ++t) {
        WatchSample sample;
        sample.t = t;
        for (int h = 1; h <= kHeaps; ++h)
            sample.heaps.push_back({static_cast<Address>(h) << 20, 100, BusyBytes(t, h)});
        watch.Add(std::move(sample));
    }
    Canvas canvas;
    if (!canvas.dc || !canvas.bitmap) {
        std::printf("no bitmap to draw into\n");
        return 1;
    }
    const RECT area{0, 0, kWidth, kHeight};
    std::size_t points = 0;
    const std::vector<WatchLine> lines = watch.Lines();
    for (const WatchLine& line : lines)
        points += line.points.size();
    const std::vector<double> chart =
        Time([&] { DrawWatchChart(canvas.dc.get(), area, watch.Lines(), AddressWidth::Bits64); });

    // The straightforward way: every sample of every heap and of the total
    // a point of its line, scaled to the same rectangle.
    const std::vector<double> reference = Time([&] {
        ::FillRect(canvas.dc.get(), &area, static_cast<HBRUSH>(::GetStockObject(WHITE_BRUSH)));
        std::uint64_t most = 0;
        for (int t = 0; t < kSeconds; ++t) {
            std::uint64_t total = 0;
            for (int h = 1; h <= kHeaps; ++h)
                total += BusyBytes(t, h);
            most = std::max(most, total);
        }
        std::vector<POINT> line(kSeconds);
        for (int h = 0; h <= kHeaps; ++h) {
            for (int t = 0; t < kSeconds; ++t) {
                std::uint64_t bytes = 0;
                for (int k = 1; k <= kHeaps; ++k)
                    if (h == 0 || k == h) bytes += BusyBytes(t, k);
                line[t] = {static_cast<LONG>(static_cast<double>(t) * (kWidth - 1) / (kSeconds - 1)),
                           static_cast<LONG>(kHeight - 1 - static_cast<double>(bytes) * (kHeight - 1) / most)};
            }
            ::Polyline(canvas.dc.get(), line.data(), kSeconds);
        }
    });
    std::printf("Watch chart of a day of 1 s samples, %d heaps, %zu points kept, %dx%d pixels:\n", kHeaps, points,
                kWidth, kHeight);
    std::printf("  drawn: median %.2f ms, best %.2f ms (target: under 16 ms)\n", Median(chart), Best(chart));
    std::printf("  every sample drawn unthinned: median %.2f ms; the chart is %.1fx faster\n", Median(reference),
                Median(reference) / Median(chart));
    return Median(chart) < 16.0 ? 0 : 1;
}

} // namespace
} // namespace corvane

int main() { return corvane::Run(); }
