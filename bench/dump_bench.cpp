// Dump text, search and the memory a shown block takes, each beside a
// straightforward reference measured in the same run.

#include "heap/dump_text.h"
#include "ui/block_view.h"
#include "ui/search.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <malloc.h>
#include <random>
#include <string>
#include <vector>

namespace corvane {
namespace {

constexpr std::uint32_t kBlockSize = kMaxHeapDataSize; // the largest block shown

const std::vector<std::uint8_t>& RandomBlock() {
    static const std::vector<std::uint8_t> block = [] {
        std::vector<std::uint8_t> bytes(kBlockSize);
        std::mt19937 random(1);
        for (auto& b : bytes)
            b = static_cast<std::uint8_t>(random());
        return bytes;
    }();
    return block;
}

// Seconds of the fastest of a few runs of `work`.
template <typename Work> double BestSeconds(Work&& work, int runs = 3) {
    double best = 1e30;
    for (int i = 0; i < runs; ++i) {
        const auto start = std::chrono::steady_clock::now();
        work();
        best = std::min(best, std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    }
    return best;
}

class CountingSink : public DumpLineSink {
public:
    std::uint64_t bytes = 0;
    std::uint64_t lines = 0;
    void AppendLine(const char* text, std::size_t length) override {
        bytes += length;
        ++lines;
        benchmark::DoNotOptimize(text);
    }
};

class KeepingSink : public DumpLineSink {
public:
    std::vector<std::string> lines;
    void AppendLine(const char* text, std::size_t length) override { lines.emplace_back(text, length); }
};

// The dump lines made with snprintf, as a straightforward implementation
// would, folding the capitals the same way.
void SnprintfDump(std::uint8_t* bytes, std::uint32_t size, DumpLineSink& sink) {
    char line[96];
    for (std::uint32_t offset = 0; offset < size; offset += 16) {
        const std::uint32_t count = std::min<std::uint32_t>(16, size - offset);
        int length = std::snprintf(line, sizeof line, "%.8xh  ", static_cast<unsigned>(offset));
        for (std::uint32_t i = 0; i < count; ++i)
            length += std::snprintf(line + length, sizeof line - static_cast<std::size_t>(length), "%.2X ",
                                    static_cast<unsigned>(bytes[offset + i]));
        length += std::snprintf(line + length, sizeof line - static_cast<std::size_t>(length), "%*s",
                                static_cast<int>((16 - count) * 3 + 2), "");
        for (std::uint32_t i = 0; i < count; ++i) {
            std::uint8_t& b = bytes[offset + i];
            line[length++] = b >= 0x20 && b <= 0x7E ? static_cast<char>(b) : '.';
            if (b >= 'A' && b <= 'Z') b = static_cast<std::uint8_t>(b + 0x20);
        }
        line[length] = '\0';
        sink.AppendLine(line, static_cast<std::size_t>(length));
    }
}

void BM_DumpText(benchmark::State& state) {
    std::vector<std::uint8_t> copy = RandomBlock();
    CountingSink sink;
    for (auto _ : state) {
        state.PauseTiming();
        copy = RandomBlock(); // unfolded capitals every time
        state.ResumeTiming();
        WriteDumpLines(copy.data(), kBlockSize, sink);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * kBlockSize);
    state.counters["lines_per_second"] =
        benchmark::Counter(static_cast<double>(sink.lines), benchmark::Counter::kIsRate);

    // Each run gets unfolded bytes of its own, copied before the clock starts.
    std::vector<std::vector<std::uint8_t>> copies(3, RandomBlock());
    std::size_t run = 0;
    const double product = BestSeconds([&] {
        CountingSink s;
        WriteDumpLines(copies[run++].data(), kBlockSize, s);
    });
    copies.assign(3, RandomBlock());
    run = 0;
    const double reference = BestSeconds([&] {
        CountingSink s;
        SnprintfDump(copies[run++].data(), kBlockSize, s);
    });
    state.counters["block_GBps"] = kBlockSize / product / 1e9;
    state.counters["snprintf_GBps"] = kBlockSize / reference / 1e9;
    state.counters["x_vs_snprintf"] = reference / product;
}
BENCHMARK(BM_DumpText)->Unit(benchmark::kMillisecond);

// The same lines kept as strings, as a list would keep them.
void BM_DumpText_KeepLines(benchmark::State& state) {
    std::vector<std::uint8_t> copy = RandomBlock();
    std::uint64_t lines = 0;
    for (auto _ : state) {
        state.PauseTiming();
        copy = RandomBlock();
        KeepingSink sink;
        sink.lines.reserve(kBlockSize / 16 + 1);
        state.ResumeTiming();
        WriteDumpLines(copy.data(), kBlockSize, sink);
        lines += sink.lines.size();
        state.PauseTiming();
        sink.lines = {};
        state.ResumeTiming();
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * kBlockSize);
    state.counters["lines_per_second"] = benchmark::Counter(static_cast<double>(lines), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_DumpText_KeepLines)->Unit(benchmark::kMillisecond);

// What showing the largest block allocates beyond its copy.
class NullTarget : public TargetMemory {
public:
    bool Read(Address, void* destination, std::size_t size, std::size_t& bytesRead) override {
        std::memcpy(destination, RandomBlock().data(), size);
        bytesRead = size;
        return true;
    }
};
class NullSource : public BlockSource {
public:
    std::unique_ptr<TargetMemory> Open(std::uint32_t) override { return std::make_unique<NullTarget>(); }
    AddressWidth Width() const override { return AddressWidth::Bits32; }
};
class CountingWindow : public BlockDataWindow {
public:
    CountingSink sink;
    void AppendLine(const char* text, std::size_t length) override { sink.AppendLine(text, length); }
    void ShowPanel(int, int) override {}
    void ClearDumpLines() override {}
    void ReserveDumpLines(std::size_t) override {}
    void SelectDumpLine(int) override {}
    void SetSearchCaption(const char*) override {}
    int FirstSelectedNodeRow() override { return -1; }
    std::string NodeRowText(int, int) override { return ""; }
};

// A figure of the kernel's account of this process, in bytes ("VmRSS",
// "VmHWM"); 0 when it cannot be read.
double ProcessMemoryFigure(const std::string& name) {
    std::ifstream status("/proc/self/status");
    std::string key;
    while (status >> key) {
        if (key == name + ":") {
            double kib = 0;
            status >> kib;
            return kib * 1024;
        }
        status.ignore(1 << 10, '\n');
    }
    return 0;
}

// Starts a new peak of the resident memory.
bool ResetPeakMemory() {
    std::ofstream clear("/proc/self/clear_refs");
    clear << "5";
    return static_cast<bool>(clear.flush());
}

void BM_ShowBlockData_PeakMemory(benchmark::State& state) {
    RandomBlock();
    // A fixed threshold keeps each copy in memory of its own, handed back
    // when it is released, instead of reusing the last copy's pages.
    mallopt(M_MMAP_THRESHOLD, 1 << 20);
    NullSource source;
    double extra = 0;
    for (auto _ : state) {
        CountingWindow window;
        HeldBlock held;
        if (!ResetPeakMemory()) {
            state.SkipWithError("the peak of the resident memory cannot be reset here");
            return;
        }
        const double before = ProcessMemoryFigure("VmRSS");
        ShowBlockData(source, window, held, 1, 0x00400000, kBlockSize);
        extra = ProcessMemoryFigure("VmHWM") - before - kBlockSize;
    }
    state.counters["peak_bytes_beyond_copy"] = extra;
}
BENCHMARK(BM_ShowBlockData_PeakMemory)->Unit(benchmark::kMillisecond);

// The plain scan, for comparison: every offset whose byte is the first
// character starts a forward comparison.
std::int32_t StraightforwardFind(const std::uint8_t* bytes, std::uint32_t size, const std::string& text,
                                 std::int32_t start, bool wide) {
    const std::size_t length = wide ? text.size() * 2 : text.size();
    const auto first = static_cast<std::uint8_t>(text[0]);
    for (std::uint32_t p = static_cast<std::uint32_t>(start); p < size; ++p) {
        if (bytes[p] != first) continue;
        std::size_t i = 0;
        for (std::uint32_t j = p; i < length && j < size; ++i, ++j) {
            const std::uint8_t expected = !wide        ? static_cast<std::uint8_t>(text[i])
                                          : i % 2 == 0 ? static_cast<std::uint8_t>(text[i / 2])
                                                       : 0;
            if (bytes[j] != expected) break;
        }
        if (i == length) return static_cast<std::int32_t>(p);
    }
    return -1;
}

// Text that looks like the pattern almost everywhere: "hea" followed by
// anything but "p".
const std::vector<std::uint8_t>& NearMatchBlock(bool wide) {
    static std::vector<std::uint8_t> narrow, wideText;
    std::vector<std::uint8_t>& block = wide ? wideText : narrow;
    if (block.empty()) {
        const std::string unit = "heaxhe heheaheaq";
        while (block.size() + 64 < kBlockSize)
            for (char c : unit) {
                block.push_back(static_cast<std::uint8_t>(c));
                if (wide) block.push_back(0);
            }
    }
    return block;
}

void RunFind(benchmark::State& state, const std::vector<std::uint8_t>& block, const std::string& text, bool wide) {
    const auto size = static_cast<std::uint32_t>(block.size());
    for (auto _ : state)
        benchmark::DoNotOptimize(FindInHeapData(block.data(), size, text, 0, wide));
    if (FindInHeapData(block.data(), size, text, 0, wide) != StraightforwardFind(block.data(), size, text, 0, wide))
        state.SkipWithError("the search and the reference disagree");
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * size);
    const double product =
        BestSeconds([&] { benchmark::DoNotOptimize(FindInHeapData(block.data(), size, text, 0, wide)); });
    const double reference =
        BestSeconds([&] { benchmark::DoNotOptimize(StraightforwardFind(block.data(), size, text, 0, wide)); });
    state.counters["GBps"] = size / product / 1e9;
    state.counters["straightforward_GBps"] = size / reference / 1e9;
    state.counters["x_vs_straightforward"] = reference / product;
}

void BM_Find_RandomNoMatch(benchmark::State& state) { RunFind(state, RandomBlock(), "corvane heap", false); }
BENCHMARK(BM_Find_RandomNoMatch)->Unit(benchmark::kMillisecond);
void BM_Find_RandomNoMatch_Wide(benchmark::State& state) { RunFind(state, RandomBlock(), "corvane heap", true); }
BENCHMARK(BM_Find_RandomNoMatch_Wide)->Unit(benchmark::kMillisecond);
void BM_Find_NearMatches(benchmark::State& state) { RunFind(state, NearMatchBlock(false), "heap", false); }
BENCHMARK(BM_Find_NearMatches)->Unit(benchmark::kMillisecond);
void BM_Find_NearMatches_Wide(benchmark::State& state) { RunFind(state, NearMatchBlock(true), "heap", true); }
BENCHMARK(BM_Find_NearMatches_Wide)->Unit(benchmark::kMillisecond);

} // namespace
} // namespace corvane
