#include "ui/watch_chart.h"

#include "heap/row_text.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace corvane {

namespace {

constexpr double kKiB = 1024.0;
constexpr int kMostIntervals = 7;   // 8 ticks
constexpr int kFewestIntervals = 3; // 4 ticks

// Round steps in ascending order: within a unit 1, 2, 5, 10, 20, 50, 100,
// 200 of it, then half of the next unit, so that labels read "512 KiB",
// "1 MiB", "1.5 MiB" rather than "1500 KiB".
std::vector<double> BytesSteps() {
    std::vector<double> steps;
    const double units[] = {1.0, kKiB, kKiB * kKiB, kKiB * kKiB * kKiB};
    const double mantissas[] = {1, 2, 5, 10, 20, 50, 100, 200};
    for (int u = 0; u < 3; ++u) {
        for (double m : mantissas)
            steps.push_back(m * units[u]);
        steps.push_back(units[u + 1] / 2);
    }
    for (double power = 1; power < 1e12; power *= 10) {
        for (double m : {1.0, 2.0, 5.0})
            steps.push_back(m * power * units[3]);
    }
    return steps;
}

std::vector<double> TimeSteps() {
    std::vector<double> steps = {1, 2, 5, 10, 15, 30, 60, 120, 300, 600, 900, 1800, 3600, 7200, 10800, 21600, 43200};
    for (double days = 1; days < 1e9; days *= 10) {
        for (double m : {1.0, 2.0, 5.0})
            steps.push_back(m * days * 86400);
    }
    return steps;
}

std::string Trimmed(double value) {
    char text[32];
    if (std::fabs(value - std::round(value)) < 1e-9) {
        std::snprintf(text, sizeof text, "%.0f", value);
    } else {
        std::snprintf(text, sizeof text, "%.1f", value);
    }
    return text;
}

int ToPixel(double fraction, int from, int to) {
    double pixel = from + fraction * (to - from);
    double low = std::min(from, to), high = std::max(from, to);
    if (!(pixel >= low)) pixel = low; // also catches NaN
    if (pixel > high) pixel = high;
    return static_cast<int>(std::lround(pixel));
}

} // namespace

std::string BytesTickLabel(double bytes) {
    if (bytes <= 0) return "0";
    const char* names[] = {"GiB", "MiB", "KiB"};
    double unit = kKiB * kKiB * kKiB;
    for (const char* name : names) {
        // A unit is used once the value reaches it and is a whole number of
        // halves of it; otherwise a smaller unit shows it exactly.
        if (bytes >= unit && std::fmod(bytes, unit / 2) == 0) return Trimmed(bytes / unit) + " " + name;
        unit /= kKiB;
    }
    return Trimmed(bytes) + (bytes == 1 ? " byte" : " bytes");
}

std::string TimeTickLabel(double seconds) {
    long long total = std::llround(seconds);
    if (total == 0) return "0";
    std::string text = total < 0 ? "-" : "";
    total = std::llabs(total);
    long long hours = total / 3600, minutes = total / 60 % 60, rest = total % 60;
    auto part = [&text](long long value, const char* unit) {
        if (!text.empty() && text != "-") text += ' ';
        text += std::to_string(value) + " " + unit;
    };
    if (hours) part(hours, "h");
    if (minutes) part(minutes, "min");
    if (rest) part(rest, "s");
    return text;
}

std::vector<double> BytesTicks(double top) {
    top = std::max(top, 0.0);
    double step = 1;
    for (double candidate : BytesSteps()) {
        step = candidate;
        if (std::ceil(top / candidate) <= kMostIntervals) break;
    }
    int intervals = std::max(kFewestIntervals, static_cast<int>(std::ceil(top / step)));
    std::vector<double> ticks;
    for (int i = 0; i <= intervals; ++i)
        ticks.push_back(i * step);
    return ticks;
}

std::vector<double> TimeTicks(double from, double to) {
    if (!(to >= from)) to = from;
    double step = 1, first = 0;
    int intervals = 0;
    for (double candidate : TimeSteps()) {
        step = candidate;
        first = std::floor(from / step) * step;
        intervals = static_cast<int>(std::ceil((to - first) / step));
        if (intervals <= kMostIntervals) break;
    }
    intervals = std::max(kFewestIntervals, intervals);
    std::vector<double> ticks;
    for (int i = 0; i <= intervals; ++i)
        ticks.push_back(first + i * step);
    return ticks;
}

WatchChartGeometry WatchChartScales(const std::vector<WatchLine>& lines, AddressWidth width) {
    WatchChartGeometry chart;
    bool any = false;
    double tMin = 0, tMax = 0, most = 0;
    for (const WatchLine& line : lines) {
        for (const WatchPoint& point : line.points) {
            if (!any) tMin = tMax = point.t;
            any = true;
            tMin = std::min(tMin, point.t);
            tMax = std::max(tMax, point.t);
            most = std::max(most, static_cast<double>(point.bytes));
        }
    }
    const std::vector<double> times = TimeTicks(tMin, tMax);
    const std::vector<double> bytes = BytesTicks(most);
    chart.timeFrom = times.front();
    chart.timeTo = times.back();
    chart.bytesTo = bytes.back();
    for (double t : times)
        chart.timeTicks.push_back({t, 0, TimeTickLabel(t)});
    for (double b : bytes)
        chart.bytesTicks.push_back({b, 0, BytesTickLabel(b)});
    for (const WatchLine& line : lines) {
        ChartPolyline polyline;
        if (line.kind == WatchLineKind::Heap) {
            HexText hex;
            FormatHex(line.base, width, hex);
            polyline.legend = hex;
        } else {
            polyline.legend = line.kind == WatchLineKind::AllOthers ? "All others" : "Total";
        }
        chart.lines.push_back(std::move(polyline));
    }
    return chart;
}

WatchChartGeometry LayOutWatchChart(const std::vector<WatchLine>& lines, const ChartRect& plot, AddressWidth width) {
    WatchChartGeometry chart = WatchChartScales(lines, width);
    const double timeSpan = chart.timeTo - chart.timeFrom;
    for (ChartTick& tick : chart.timeTicks)
        tick.pixel = ToPixel((tick.value - chart.timeFrom) / timeSpan, plot.left, plot.right);
    for (ChartTick& tick : chart.bytesTicks)
        tick.pixel = ToPixel(tick.value / chart.bytesTo, plot.bottom, plot.top);
    for (std::size_t i = 0; i < lines.size(); ++i) {
        std::vector<ChartPixel>& points = chart.lines[i].points;
        points.reserve(lines[i].points.size());
        for (const WatchPoint& point : lines[i].points) {
            points.push_back({ToPixel((point.t - chart.timeFrom) / timeSpan, plot.left, plot.right),
                              ToPixel(static_cast<double>(point.bytes) / chart.bytesTo, plot.bottom, plot.top),
                              point.gapBefore});
        }
    }
    return chart;
}

} // namespace corvane
