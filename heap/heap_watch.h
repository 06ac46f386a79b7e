#pragma once

// The watch: snapshots of a process's heaps taken at a steady interval,
// reduced to busy totals per heap and busy counts per size, with the growth
// since the first sample and the thinned series its chart draws.

#include "heap/heap_snapshot.h"
#include "heap/table_text.h"

#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <vector>

namespace corvane {

struct HeapBusy {
    Address base = 0;
    std::uint64_t blocks = 0;
    std::uint64_t bytes = 0;
};

struct SizeCount {
    std::uint64_t size = 0;
    std::uint64_t count = 0;
};

// One moment of the watch. `heaps` is ordered by base, `sizes` by size.
struct WatchSample {
    double t = 0;
    bool broken = false; // the snapshot could not be taken: a gap in the series
    std::vector<HeapBusy> heaps;
    std::vector<SizeCount> sizes;
};
WatchSample MakeWatchSample(double t, const HeapSnapshot& snapshot);

struct WatchPoint {
    double t = 0;
    std::uint64_t bytes = 0;
    bool gapBefore = false; // a broken sample lies between this point and the one before
};

// A series of (t, bytes) that stays under a bound of points: past it, each
// pair of neighbouring intervals merges into one, and an interval keeps its
// smallest and largest value (as two points in time order), so a spike of a
// single sample stays visible however long the watch runs.
class ThinnedSeries {
public:
    explicit ThinnedSeries(std::size_t maxPoints = 2048);
    void Add(double t, std::uint64_t bytes);
    void MarkGap();
    std::vector<WatchPoint> Points() const;

    // Two series fed the same number of samples have the same intervals.
    struct Interval {
        WatchPoint low, high;
        std::size_t samples = 0;
    };
    const std::vector<Interval>& Intervals() const { return m_intervals; }
    // The same intervals with every value 0: a heap that appears later has
    // had no busy bytes before.
    ThinnedSeries ZeroedCopy() const;
    static void AppendPoints(const Interval& interval, std::vector<WatchPoint>& points);

private:
    void MergePairs();
    std::size_t m_maxIntervals;
    std::size_t m_samplesPerInterval = 1;
    bool m_gapPending = false;
    std::vector<Interval> m_intervals;
};

struct WatchHeapRow {
    Address base = 0;
    std::uint64_t blocksNow = 0;
    std::uint64_t bytesAtStart = 0;
    std::uint64_t bytesNow = 0;
    std::int64_t change = 0;
    double rate = 0; // bytes per second over the last minute
};

struct SizeGrowthRow {
    std::uint64_t size = 0;
    std::uint64_t countChange = 0;
    std::uint64_t bytesChange = 0;
};

enum class WatchLineKind { Heap, AllOthers, Total };
struct WatchLine {
    WatchLineKind kind = WatchLineKind::Total;
    Address base = 0; // for a heap's line
    std::vector<WatchPoint> points;
};

class HeapWatch {
public:
    static constexpr std::size_t kMaxLines = 4;
    explicit HeapWatch(std::size_t maxSeriesPoints = 2048, std::size_t maxCsvSamples = 4096);

    void Add(double t, const HeapSnapshot& snapshot);
    void Add(WatchSample sample);
    void AddBroken(double t);

    std::size_t SampleCount() const { return m_sampleCount; }
    std::vector<WatchHeapRow> HeapRows() const;
    std::vector<SizeGrowthRow> SizesThatGrew() const;
    // The largest heaps by busy bytes now (at most kMaxLines), then
    // "all others" when any heap is left over, then the total.
    std::vector<WatchLine> Lines() const;
    // time, heap, busy blocks, busy bytes of every kept sample.
    std::unique_ptr<TableRows> CsvRows(AddressWidth width) const;

private:
    struct HeapTrack {
        Address base = 0;
        std::uint64_t bytesAtStart = 0;
        ThinnedSeries series;
    };
    struct RecentTotals {
        double t = 0;
        std::vector<HeapBusy> heaps;
    };
    HeapTrack& Track(Address base);

    std::size_t m_maxCsvSamples;
    std::size_t m_sampleCount = 0;
    bool m_haveBaseline = false; // a good sample came: the baseline, and the latest
    std::vector<SizeCount> m_baselineSizes;
    WatchSample m_latest;
    std::vector<HeapTrack> m_tracks; // ordered by base
    ThinnedSeries m_total;
    std::deque<RecentTotals> m_recent;
    // Kept for the CSV: every m_csvStride-th good sample; the stride doubles
    // whenever the bound is reached, so the rows cover the whole watch evenly.
    std::vector<WatchSample> m_csv;
    std::size_t m_csvStride = 1;
    std::size_t m_goodSamples = 0;
};

} // namespace corvane
