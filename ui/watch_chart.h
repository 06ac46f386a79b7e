#pragma once

// The geometry of the watch's chart of busy bytes over time: axis ranges,
// round ticks with their labels, and each line as pixel points. No drawing.

#include "heap/heap_watch.h"

#include <cstdint>
#include <string>
#include <vector>

namespace corvane {

struct ChartRect {
    int left = 0, top = 0, right = 0, bottom = 0;
};

struct ChartTick {
    double value = 0; // bytes or seconds
    int pixel = 0;    // x for time ticks, y for bytes ticks
    std::string label;
};

struct ChartPixel {
    int x = 0, y = 0;
    bool gapBefore = false; // do not join this point to the one before
};

struct ChartPolyline {
    std::string legend;
    std::vector<ChartPixel> points;
};

struct WatchChartGeometry {
    double timeFrom = 0, timeTo = 1;
    double bytesTo = 1; // the bytes axis starts at 0
    std::vector<ChartTick> timeTicks;
    std::vector<ChartTick> bytesTicks;
    std::vector<ChartPolyline> lines;
};

// "0", "512 bytes", "512 KiB", "1.5 MiB", "2 GiB".
std::string BytesTickLabel(double bytes);
// "30 s", "2 min", "1 h 30 min".
std::string TimeTickLabel(double seconds);

// Round ticks from 0 covering [0, top]: a step of 1, 2 or 5 times a power of
// ten of bytes, KiB, MiB or GiB, between 4 and 8 ticks.
std::vector<double> BytesTicks(double top);
// Round ticks covering [from, to] in seconds, minutes or hours.
std::vector<double> TimeTicks(double from, double to);

// The axes' ranges, the ticks' values and labels and the lines' legends,
// with no pixels yet: what the room around the plot is measured from.
WatchChartGeometry WatchChartScales(const std::vector<WatchLine>& lines, AddressWidth width);
// The same, with the ticks and lines placed in the plot.
WatchChartGeometry LayOutWatchChart(const std::vector<WatchLine>& lines, const ChartRect& plot, AddressWidth width);

} // namespace corvane
