#include "heap/heap_watch.h"

#include "heap/row_text.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <string>

namespace corvane {

namespace {

// How many busy blocks there are of each size: a table with open
// addressing, doubled when half full, so that the many blocks of a snapshot
// cost a probe or two each however few sizes they share; a hostile process's
// sizes, all different, grow the table to twice their number.
class SizeCounter {
public:
    void Add(std::uint64_t size) {
        for (std::size_t slot = SlotOf(size);; slot = (slot + 1) & (m_slots.size() - 1)) {
            SizeCount& entry = m_slots[slot];
            if (entry.count == 0) {
                entry = {size, 1};
                if (++m_used * 2 > m_slots.size()) Grow();
                return;
            }
            if (entry.size == size) {
                ++entry.count;
                return;
            }
        }
    }
    // The sizes in order, each with its count.
    std::vector<SizeCount> Sorted() const {
        std::vector<SizeCount> sizes;
        sizes.reserve(m_used);
        for (const SizeCount& entry : m_slots)
            if (entry.count != 0) sizes.push_back(entry);
        std::sort(sizes.begin(), sizes.end(), [](const SizeCount& a, const SizeCount& b) { return a.size < b.size; });
        return sizes;
    }

private:
    // Fibonacci hashing: the product's top bits spread sizes that differ
    // only in their low bits, as a heap's sizes do.
    std::size_t SlotOf(std::uint64_t size) const {
        return static_cast<std::size_t>((size * 0x9E3779B97F4A7C15ull) >> m_shift);
    }
    void Grow() {
        std::vector<SizeCount> old(m_slots.size() * 2);
        old.swap(m_slots);
        --m_shift;
        m_used = 0;
        for (const SizeCount& entry : old) {
            if (entry.count == 0) continue;
            std::size_t slot = SlotOf(entry.size);
            while (m_slots[slot].count != 0)
                slot = (slot + 1) & (m_slots.size() - 1);
            m_slots[slot] = entry;
            ++m_used;
        }
    }

    static constexpr unsigned kFirstBits = 6;
    std::vector<SizeCount> m_slots = std::vector<SizeCount>(std::size_t{1} << kFirstBits);
    unsigned m_shift = 64 - kFirstBits;
    std::size_t m_used = 0;
};

} // namespace

WatchSample MakeWatchSample(double t, const HeapSnapshot& snapshot) {
    WatchSample sample;
    sample.t = t;
    sample.heaps.reserve(snapshot.heaps.size());
    SizeCounter sizes;
    for (const SnapshotHeap& heap : snapshot.heaps) {
        HeapBusy busy;
        busy.base = heap.record.base;
        for (const HeapBlockCursor& block : heap.blocks) {
            if (!IsBusyBlock(block)) continue;
            ++busy.blocks;
            busy.bytes = AddBytes(busy.bytes, block.size);
            sizes.Add(block.size);
        }
        sample.heaps.push_back(busy);
    }
    std::sort(sample.heaps.begin(), sample.heaps.end(),
              [](const HeapBusy& a, const HeapBusy& b) { return a.base < b.base; });
    // A service that lists one heap twice gives one row with both sums.
    std::vector<HeapBusy> merged;
    for (const HeapBusy& busy : sample.heaps) {
        if (!merged.empty() && merged.back().base == busy.base) {
            merged.back().blocks += busy.blocks;
            merged.back().bytes = AddBytes(merged.back().bytes, busy.bytes);
        } else {
            merged.push_back(busy);
        }
    }
    sample.heaps = std::move(merged);
    sample.sizes = sizes.Sorted();
    return sample;
}

ThinnedSeries::ThinnedSeries(std::size_t maxPoints) : m_maxIntervals(std::max<std::size_t>(maxPoints / 2, 2)) {}

void ThinnedSeries::Add(double t, std::uint64_t bytes) {
    WatchPoint point{t, bytes, m_gapPending};
    m_gapPending = false;
    if (m_intervals.empty() || m_intervals.back().samples >= m_samplesPerInterval) {
        m_intervals.push_back({point, point, 1});
        if (m_intervals.size() > m_maxIntervals) MergePairs();
        return;
    }
    Interval& last = m_intervals.back();
    ++last.samples;
    if (bytes < last.low.bytes) last.low = point;
    if (bytes > last.high.bytes) last.high = point;
}

void ThinnedSeries::MarkGap() { m_gapPending = true; }

void ThinnedSeries::MergePairs() {
    std::vector<Interval> merged;
    merged.reserve(m_intervals.size() / 2 + 1);
    for (std::size_t i = 0; i < m_intervals.size(); i += 2) {
        Interval both = m_intervals[i];
        if (i + 1 < m_intervals.size()) {
            const Interval& next = m_intervals[i + 1];
            bool gap = both.low.gapBefore || both.high.gapBefore || next.low.gapBefore || next.high.gapBefore;
            both.samples += next.samples;
            if (next.low.bytes < both.low.bytes) both.low = next.low;
            if (next.high.bytes > both.high.bytes) both.high = next.high;
            // A gap inside the merged interval is still a gap: it goes before
            // the interval's first point.
            both.low.gapBefore = both.high.gapBefore = false;
            if (gap) (both.low.t <= both.high.t ? both.low : both.high).gapBefore = true;
        }
        merged.push_back(both);
    }
    m_intervals = std::move(merged);
    m_samplesPerInterval *= 2;
}

void ThinnedSeries::AppendPoints(const Interval& interval, std::vector<WatchPoint>& points) {
    const WatchPoint& first = interval.low.t <= interval.high.t ? interval.low : interval.high;
    const WatchPoint& second = interval.low.t <= interval.high.t ? interval.high : interval.low;
    points.push_back(first);
    if (second.t != first.t) points.push_back(second);
}

std::vector<WatchPoint> ThinnedSeries::Points() const {
    std::vector<WatchPoint> points;
    points.reserve(m_intervals.size() * 2);
    for (const Interval& interval : m_intervals)
        AppendPoints(interval, points);
    return points;
}

ThinnedSeries ThinnedSeries::ZeroedCopy() const {
    ThinnedSeries copy = *this;
    for (Interval& interval : copy.m_intervals)
        interval.low.bytes = interval.high.bytes = 0;
    return copy;
}

HeapWatch::HeapWatch(std::size_t maxSeriesPoints, std::size_t maxCsvSamples)
    : m_maxCsvSamples(std::max<std::size_t>(maxCsvSamples, 2)), m_total(maxSeriesPoints) {}

void HeapWatch::Add(double t, const HeapSnapshot& snapshot) { Add(MakeWatchSample(t, snapshot)); }

HeapWatch::HeapTrack& HeapWatch::Track(Address base) {
    auto it = std::lower_bound(m_tracks.begin(), m_tracks.end(), base,
                               [](const HeapTrack& track, Address b) { return track.base < b; });
    if (it == m_tracks.end() || it->base != base) {
        it = m_tracks.insert(it, HeapTrack{base, 0, m_total.ZeroedCopy()});
    }
    return *it;
}

void HeapWatch::Add(WatchSample sample) {
    if (sample.broken) {
        AddBroken(sample.t);
        return;
    }
    ++m_sampleCount;
    if (!m_haveBaseline) {
        m_haveBaseline = true;
        m_baselineSizes = sample.sizes;
        for (const HeapBusy& busy : sample.heaps)
            Track(busy.base).bytesAtStart = busy.bytes;
    }
    std::uint64_t total = 0;
    for (const HeapBusy& busy : sample.heaps) {
        Track(busy.base);
        total = AddBytes(total, busy.bytes);
    }
    // Every heap's series takes a value at every sample, so all share the
    // total's intervals; a vanished heap takes 0.
    auto busy = sample.heaps.begin();
    for (HeapTrack& track : m_tracks) {
        std::uint64_t bytes = 0;
        if (busy != sample.heaps.end() && busy->base == track.base) bytes = (busy++)->bytes;
        track.series.Add(sample.t, bytes);
    }
    m_total.Add(sample.t, total);

    m_recent.push_back({sample.t, sample.heaps});
    // Keep the last minute plus the one sample just before it.
    while (m_recent.size() > 2 && m_recent[1].t <= sample.t - 60.0)
        m_recent.pop_front();

    std::size_t index = m_goodSamples++;
    if (index % m_csvStride == 0) {
        if (m_csv.size() >= m_maxCsvSamples) {
            std::vector<WatchSample> kept;
            for (std::size_t i = 0; i < m_csv.size(); i += 2)
                kept.push_back(std::move(m_csv[i]));
            m_csv = std::move(kept);
            m_csvStride *= 2;
        }
        if (index % m_csvStride == 0) {
            WatchSample row;
            row.t = sample.t;
            row.heaps = sample.heaps;
            m_csv.push_back(std::move(row));
        }
    }
    m_latest = std::move(sample);
}

void HeapWatch::AddBroken(double) {
    ++m_sampleCount;
    m_total.MarkGap();
    for (HeapTrack& track : m_tracks)
        track.series.MarkGap();
}

namespace {
// The heap's totals in a sample's heaps (ordered by base), or null.
const HeapBusy* FindHeap(const std::vector<HeapBusy>& heaps, Address base) {
    auto it = std::lower_bound(heaps.begin(), heaps.end(), base,
                               [](const HeapBusy& busy, Address b) { return busy.base < b; });
    return it != heaps.end() && it->base == base ? &*it : nullptr;
}
std::uint64_t BytesOf(const std::vector<HeapBusy>& heaps, Address base) {
    const HeapBusy* busy = FindHeap(heaps, base);
    return busy ? busy->bytes : 0;
}
std::int64_t Difference(std::uint64_t now, std::uint64_t before) {
    return now >= before ? static_cast<std::int64_t>(std::min<std::uint64_t>(now - before, INT64_MAX))
                         : -static_cast<std::int64_t>(std::min<std::uint64_t>(before - now, INT64_MAX));
}
} // namespace

std::vector<WatchHeapRow> HeapWatch::HeapRows() const {
    std::vector<WatchHeapRow> rows;
    if (!m_haveBaseline) return rows;
    // The rate is taken against the newest sample at least a minute old, or
    // the oldest one the watch has when it is younger than a minute: what
    // Add leaves at the front of m_recent.
    const RecentTotals& newest = m_recent.back();
    const RecentTotals* then = &m_recent.front();
    double seconds = newest.t - then->t;
    for (const HeapTrack& track : m_tracks) {
        WatchHeapRow row;
        row.base = track.base;
        if (const HeapBusy* now = FindHeap(m_latest.heaps, track.base)) {
            row.blocksNow = now->blocks;
            row.bytesNow = now->bytes;
        }
        row.bytesAtStart = track.bytesAtStart;
        row.change = Difference(row.bytesNow, row.bytesAtStart);
        if (seconds > 0) {
            row.rate = static_cast<double>(Difference(row.bytesNow, BytesOf(then->heaps, track.base))) / seconds;
        }
        rows.push_back(row);
    }
    return rows;
}

std::vector<SizeGrowthRow> HeapWatch::SizesThatGrew() const {
    std::vector<SizeGrowthRow> rows;
    auto before = m_baselineSizes.begin();
    for (const SizeCount& now : m_latest.sizes) {
        while (before != m_baselineSizes.end() && before->size < now.size)
            ++before;
        std::uint64_t was = before != m_baselineSizes.end() && before->size == now.size ? before->count : 0;
        if (now.count <= was) continue;
        std::uint64_t grown = now.count - was;
        std::uint64_t bytes =
            now.size != 0 && grown > ~std::uint64_t{0} / now.size ? ~std::uint64_t{0} : grown * now.size;
        rows.push_back({now.size, grown, bytes});
    }
    std::sort(rows.begin(), rows.end(), [](const SizeGrowthRow& a, const SizeGrowthRow& b) {
        return a.bytesChange != b.bytesChange ? a.bytesChange > b.bytesChange : a.size > b.size;
    });
    return rows;
}

std::vector<WatchLine> HeapWatch::Lines() const {
    std::vector<WatchLine> lines;
    if (!m_haveBaseline) return lines;
    std::vector<const HeapTrack*> order;
    for (const HeapTrack& track : m_tracks)
        order.push_back(&track);
    std::stable_sort(order.begin(), order.end(), [this](const HeapTrack* a, const HeapTrack* b) {
        return BytesOf(m_latest.heaps, a->base) > BytesOf(m_latest.heaps, b->base);
    });
    std::size_t shown = std::min(order.size(), kMaxLines);
    for (std::size_t i = 0; i < shown; ++i) {
        lines.push_back({WatchLineKind::Heap, order[i]->base, order[i]->series.Points()});
    }
    if (order.size() > shown) {
        // The others' line per interval: the sum of their smallest values and
        // the sum of their largest, at the total's times. The sums bound the
        // others' true range, so a spike of any of them still shows.
        WatchLine others{WatchLineKind::AllOthers, 0, {}};
        const auto& totals = m_total.Intervals();
        for (std::size_t i = 0; i < totals.size(); ++i) {
            ThinnedSeries::Interval sum = totals[i];
            sum.low.bytes = sum.high.bytes = 0;
            for (std::size_t k = shown; k < order.size(); ++k) {
                const auto& own = order[k]->series.Intervals();
                if (i >= own.size()) continue;
                sum.low.bytes = AddBytes(sum.low.bytes, std::min(own[i].low.bytes, own[i].high.bytes));
                sum.high.bytes = AddBytes(sum.high.bytes, std::max(own[i].low.bytes, own[i].high.bytes));
            }
            if (sum.low.t > sum.high.t) std::swap(sum.low.bytes, sum.high.bytes);
            ThinnedSeries::AppendPoints(sum, others.points);
        }
        lines.push_back(std::move(others));
    }
    lines.push_back({WatchLineKind::Total, 0, m_total.Points()});
    return lines;
}

namespace {
class WatchCsvRows : public TableRows {
public:
    WatchCsvRows(const std::vector<WatchSample>& samples, AddressWidth width) : m_width(width) {
        for (const WatchSample& sample : samples) {
            for (const HeapBusy& busy : sample.heaps)
                m_rows.push_back({sample.t, busy});
        }
    }
    int ColumnCount() const override { return 4; }
    std::string Heading(int column) const override {
        static const char* const headings[] = {"Time (s)", "Heap", "Busy Blocks", "Busy Bytes"};
        return column >= 0 && column < 4 ? headings[column] : "";
    }
    std::size_t RowCount() const override { return m_rows.size(); }
    std::string_view Cell(std::size_t row, int column) const override {
        m_text.clear();
        if (row >= m_rows.size()) return m_text;
        const Row& r = m_rows[row];
        char text[32];
        switch (column) {
        case 0:
            std::snprintf(text, sizeof text, "%.1f", r.t);
            m_text = text;
            break;
        case 1: {
            HexText hex;
            FormatHex(r.busy.base, m_width, hex);
            m_text = hex;
            break;
        }
        case 2: m_text = std::to_string(r.busy.blocks); break;
        case 3: m_text = std::to_string(r.busy.bytes); break;
        default: break;
        }
        return m_text;
    }

private:
    struct Row {
        double t;
        HeapBusy busy;
    };
    std::vector<Row> m_rows;
    AddressWidth m_width;
    mutable std::string m_text;
};
} // namespace

std::unique_ptr<TableRows> HeapWatch::CsvRows(AddressWidth width) const {
    return std::make_unique<WatchCsvRows>(m_csv, width);
}

} // namespace corvane
