#include "heap/heap_watch.h"
#include "ui/watch_chart.h"
#include "ui/watch_rows.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <string>

namespace corvane {
namespace {

HeapBlockCursor Busy(std::uint64_t size) { return {0, size, BlockKind::Fixed, false, 0}; }

// A snapshot whose heaps hold `count` busy blocks of `size` bytes each, plus
// one free block that must not count.
HeapSnapshot Heaps(std::vector<std::pair<Address, std::vector<std::pair<std::uint64_t, int>>>> heaps) {
    HeapSnapshot snapshot;
    for (auto& [base, runs] : heaps) {
        SnapshotHeap heap;
        heap.record.base = base;
        heap.blocks.push_back({0, 4096, BlockKind::Free, false, 0});
        for (auto [size, count] : runs) {
            for (int i = 0; i < count; ++i)
                heap.blocks.push_back(Busy(size));
        }
        snapshot.heaps.push_back(std::move(heap));
    }
    return snapshot;
}

const WatchHeapRow* RowOf(const std::vector<WatchHeapRow>& rows, Address base) {
    for (const WatchHeapRow& row : rows) {
        if (row.base == base) return &row;
    }
    return nullptr;
}

TEST(HeapWatch, ThinningKeepsEveryIntervalsExtremesAndBoundsThePoints) {
    ThinnedSeries series(2048);
    const int day = 86400;
    for (int t = 0; t < day; ++t)
        series.Add(t, t == 50000 ? 9000 : (t == 70000 ? 10 : 1000));
    std::vector<WatchPoint> points = series.Points();
    EXPECT_LE(points.size(), 2048u);
    EXPECT_GE(points.size(), 512u); // never fewer than half the bound of intervals
    EXPECT_TRUE(std::is_sorted(points.begin(), points.end(),
                               [](const WatchPoint& a, const WatchPoint& b) { return a.t < b.t; }));
    auto spike = std::find_if(points.begin(), points.end(), [](const WatchPoint& p) { return p.bytes == 9000; });
    ASSERT_NE(spike, points.end());
    EXPECT_EQ(spike->t, 50000);
    auto dip = std::find_if(points.begin(), points.end(), [](const WatchPoint& p) { return p.bytes == 10; });
    ASSERT_NE(dip, points.end());
    EXPECT_EQ(dip->t, 70000);
    EXPECT_EQ(points.front().t, 0); // nothing dropped from the front
}

TEST(HeapWatch, HeapRowsFollowHeapsThatAppearAndVanishAndTakeTheRateOverTheLastMinute) {
    HeapWatch watch;
    watch.Add(0, Heaps({{0x1000, {{100, 2}}}, {0x2000, {{8, 1}}}}));
    EXPECT_EQ(watch.HeapRows()[0].rate, 0); // one sample: no rate
    // 0x1000 grows 20 bytes a second from t = 40; 0x2000 vanishes; 0x3000 appears.
    for (int t = 10; t <= 100; t += 10) {
        watch.Add(t, Heaps({{0x1000, {{100, 2}, {10, t <= 40 ? 0 : 2 * (t - 40)}}}, {0x3000, {{64, 1}}}}));
    }
    std::vector<WatchHeapRow> rows = watch.HeapRows();
    ASSERT_EQ(rows.size(), 3u);
    const WatchHeapRow* growing = RowOf(rows, 0x1000);
    ASSERT_NE(growing, nullptr);
    EXPECT_EQ(growing->bytesAtStart, 200u);
    EXPECT_EQ(growing->bytesNow, 1400u);
    EXPECT_EQ(growing->blocksNow, 122u);
    EXPECT_EQ(growing->change, 1200);
    EXPECT_DOUBLE_EQ(growing->rate, 20.0); // from t = 40 to t = 100
    const WatchHeapRow* gone = RowOf(rows, 0x2000);
    ASSERT_NE(gone, nullptr);
    EXPECT_EQ(gone->bytesNow, 0u);
    EXPECT_EQ(gone->change, -8);
    const WatchHeapRow* late = RowOf(rows, 0x3000);
    ASSERT_NE(late, nullptr);
    EXPECT_EQ(late->bytesAtStart, 0u);
    EXPECT_EQ(late->change, 64);
    EXPECT_EQ(watch.CsvRows(AddressWidth::Bits32)->Cell(0, 1), "0x00001000");
}

TEST(HeapWatch, SizesThatGrewAreRankedByBytesThenBySize) {
    HeapWatch watch;
    watch.Add(0, Heaps({{0x1000, {{16, 5}, {32, 1}, {48, 3}}}}));
    watch.Add(1, Heaps({{0x1000, {{16, 9}, {32, 3}, {48, 1}, {64, 2}}}, {0x2000, {{128, 1}}}}));
    std::vector<SizeGrowthRow> rows = watch.SizesThatGrew();
    ASSERT_EQ(rows.size(), 4u); // 48 shrank
    EXPECT_EQ(rows[0].size, 128u);
    EXPECT_EQ(rows[1].size, 64u);
    EXPECT_EQ(rows[1].countChange, 2u);
    EXPECT_EQ(rows[1].bytesChange, 128u);
    EXPECT_EQ(rows[2].size, 32u); // 64 bytes, as 16's; the larger size first
    EXPECT_EQ(rows[3].size, 16u);
    EXPECT_EQ(rows[3].bytesChange, 64u);
}

TEST(HeapWatch, ASampleCountsEverySizeOfAProcessWhoseBlocksAllDiffer) {
    // Sizes that share their low bits, in no order, and far more of them
    // than a first table of them holds.
    std::vector<std::pair<std::uint64_t, int>> runs;
    for (std::uint64_t j = 0; j < 5000; ++j) {
        const std::uint64_t i = j * 7919 % 5000;
        runs.push_back({i << 20, i % 3 == 0 ? 2 : 1});
    }
    const WatchSample sample = MakeWatchSample(0, Heaps({{0x1000, runs}}));
    ASSERT_EQ(sample.sizes.size(), 5000u);
    for (std::uint64_t i = 0; i < 5000; ++i) {
        EXPECT_EQ(sample.sizes[i].size, i << 20);
        EXPECT_EQ(sample.sizes[i].count, i % 3 == 0 ? 2u : 1u);
    }
}

TEST(HeapWatch, ABrokenSampleIsAGapAndTheLinesSumTheRest) {
    HeapWatch watch;
    auto heaps = [](std::uint64_t extra) {
        return Heaps({{0x1000, {{1000, 6}}},
                      {0x2000, {{1000, 5}}},
                      {0x3000, {{1000, 4}}},
                      {0x4000, {{1000, 3}}},
                      {0x5000, {{100, 2}}},
                      {0x6000, {{100, 1 + static_cast<int>(extra)}}}});
    };
    watch.Add(0, heaps(0));
    watch.AddBroken(1);
    watch.Add(2, heaps(1));
    EXPECT_EQ(watch.SampleCount(), 3u);
    std::vector<WatchLine> lines = watch.Lines();
    ASSERT_EQ(lines.size(), 6u);
    EXPECT_EQ(lines[0].base, 0x1000u);
    EXPECT_EQ(lines[3].base, 0x4000u);
    EXPECT_EQ(lines[4].kind, WatchLineKind::AllOthers);
    ASSERT_EQ(lines[4].points.size(), 2u);
    EXPECT_EQ(lines[4].points[0].bytes, 300u);
    EXPECT_EQ(lines[4].points[1].bytes, 400u);
    EXPECT_TRUE(lines[4].points[1].gapBefore);
    EXPECT_EQ(lines[5].kind, WatchLineKind::Total);
    EXPECT_EQ(lines[5].points[1].bytes, 18400u);
    EXPECT_TRUE(lines[5].points[1].gapBefore);
    EXPECT_FALSE(lines[5].points[0].gapBefore);
    EXPECT_EQ(watch.CsvRows(AddressWidth::Bits32)->RowCount(), 12u); // the broken sample has no rows
}

TEST(HeapWatch, CsvRowsStayBoundedAndSpanTheWatch) {
    HeapWatch watch(2048, 100);
    for (int t = 0; t < 1000; ++t)
        watch.Add(t, Heaps({{0x1000, {{8, 1}}}}));
    auto csv = watch.CsvRows(AddressWidth::Bits32);
    EXPECT_LE(csv->RowCount(), 100u);
    EXPECT_GE(csv->RowCount(), 50u);
    EXPECT_EQ(csv->Cell(0, 0), "0.0");
    EXPECT_GE(std::stod(std::string(csv->Cell(csv->RowCount() - 1, 0))), 900.0);
    // Evenly spread: the middle row is from the middle of the watch.
    double middle = std::stod(std::string(csv->Cell(csv->RowCount() / 2, 0)));
    EXPECT_TRUE(middle > 400 && middle < 600) << middle;
}

// Every tick is a whole multiple of a round step, the ticks start at 0 and
// reach the top, and there are 4 to 8 of them.
void ExpectRoundBytesTicks(double top) {
    SCOPED_TRACE(top);
    std::vector<double> ticks = BytesTicks(top);
    ASSERT_GE(ticks.size(), 4u);
    ASSERT_LE(ticks.size(), 8u);
    EXPECT_EQ(ticks.front(), 0);
    EXPECT_GE(ticks.back(), top);
    double step = ticks[1];
    double unit = step >= 1 << 30 ? 1 << 30 : step >= 1 << 20 ? 1 << 20 : step >= 1 << 10 ? 1 << 10 : 1;
    double mantissa = step / unit;
    while (mantissa >= 10)
        mantissa /= 10;
    EXPECT_TRUE(mantissa == 1 || mantissa == 2 || mantissa == 5 || step * 2 == unit * 1024) << step;
}

TEST(WatchRows, ChangesAreSignedRatesWholeAndTheStatusSaysWhyTheWatchStopped) {
    WatchHeapRow heap;
    heap.base = 0x00A40000;
    heap.blocksNow = 1234;
    heap.bytesAtStart = 2048;
    heap.bytesNow = 1024;
    heap.change = -1024;
    heap.rate = 12.6;
    WatchHeapRowTexts texts;
    FormatWatchHeapRow(0, heap, AddressWidth::Bits32, texts);
    EXPECT_STREQ(texts.heap, "0x00a40000");
    EXPECT_STREQ(texts.blocks, "1,234");
    EXPECT_STREQ(texts.change, "-1,024");
    EXPECT_STREQ(texts.rate, "+13 bytes/s");
    heap.change = INT64_MIN;
    heap.rate = -1e30; // from a clock that went wrong: shown at the end of the scale, not wrapped
    FormatWatchHeapRow(0, heap, AddressWidth::Bits32, texts);
    EXPECT_STREQ(texts.change, "-9,223,372,036,854,775,808");
    EXPECT_EQ(texts.rate[0], '-');

    SizeGrowthRowTexts size;
    FormatSizeGrowthRow(0, {0x3000, 5, 5 * 0x3000}, AddressWidth::Bits32, size);
    EXPECT_STREQ(size.size, "0x00003000 (12,288)");
    EXPECT_STREQ(size.count, "+5");
    EXPECT_STREQ(size.bytes, "+61,440");

    WatchStatus status;
    status.processId = 42;
    status.samples = 1;
    EXPECT_EQ(WatchStatusText(status), "Watching process 42: 1 sample, one every 1 s.");
    status.state = WatchState::ProcessEnded;
    status.samples = 12;
    status.brokenSamples = 1;
    EXPECT_EQ(WatchStatusText(status), "Process 42 has ended: the watch stopped after 12 samples. 1 sample was broken "
                                       "(a heap changed while it was read) and left as gaps.");
}

TEST(WatchChart, TicksAreRoundAndCoverTheRange) {
    for (double top : {0.0, 1.0, 700.0, 1.4 * 1024 * 1024, 3.0 * 1024 * 1024 * 1024})
        ExpectRoundBytesTicks(top);
    EXPECT_EQ(BytesTickLabel(0), "0");
    EXPECT_EQ(BytesTickLabel(512 * 1024), "512 KiB");
    EXPECT_EQ(BytesTickLabel(1.5 * 1024 * 1024), "1.5 MiB");
    EXPECT_EQ(BytesTickLabel(2.0 * 1024 * 1024 * 1024), "2 GiB");
    std::vector<double> gib = BytesTicks(3.0 * 1024 * 1024 * 1024);
    EXPECT_EQ(BytesTickLabel(gib[1]), "512 MiB");

    std::vector<double> hours = TimeTicks(0, 40 * 3600);
    ASSERT_GE(hours.size(), 4u);
    ASSERT_LE(hours.size(), 8u);
    EXPECT_GE(hours.back(), 40 * 3600);
    EXPECT_EQ(TimeTickLabel(hours[1]), "6 h");
    std::vector<double> minutes = TimeTicks(65, 200);
    EXPECT_LE(minutes.front(), 65);
    EXPECT_GE(minutes.back(), 200);
    EXPECT_EQ(std::fmod(minutes[1] - minutes[0], 30), 0);
    EXPECT_EQ(TimeTickLabel(30), "30 s");
    EXPECT_EQ(TimeTickLabel(120), "2 min");
    EXPECT_EQ(TimeTickLabel(5400), "1 h 30 min");
}

TEST(WatchChart, LinesBecomePixelsInsideThePlot) {
    WatchLine total{WatchLineKind::Total, 0, {{0, 0, false}, {50, 700, false}, {100, 350, true}}};
    WatchLine heap{WatchLineKind::Heap, 0x1000, {{0, 350, false}}};
    WatchChartGeometry chart = LayOutWatchChart({heap, total}, {10, 20, 110, 220}, AddressWidth::Bits32);
    ASSERT_EQ(chart.lines.size(), 2u);
    EXPECT_EQ(chart.lines[0].legend, "0x00001000");
    EXPECT_EQ(chart.lines[1].legend, "Total");
    const auto& p = chart.lines[1].points;
    ASSERT_EQ(p.size(), 3u);
    EXPECT_EQ(p[0].x, 10);
    EXPECT_EQ(p[0].y, 220);
    EXPECT_TRUE(p[2].gapBefore);
    for (const ChartPixel& pixel : p) {
        EXPECT_TRUE(pixel.x >= 10 && pixel.x <= 110 && pixel.y >= 20 && pixel.y <= 220);
    }
    // 700 bytes on an axis to chart.bytesTo: the pixel is where the value is.
    EXPECT_EQ(p[1].y, static_cast<int>(std::lround(220 - 700 / chart.bytesTo * 200)));
    EXPECT_EQ(chart.bytesTicks.front().pixel, 220);
    EXPECT_EQ(chart.bytesTicks.back().pixel, 20);
}

} // namespace
} // namespace corvane
