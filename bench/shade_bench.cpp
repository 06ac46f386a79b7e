// Shade generation at the sizes the program uses: the main dialog's
// background (644 x 700 pixels, the client area of a 429 x 431 dialog-unit
// window at the usual 6 x 13 dialog base units) and the faces of its four
// shaded buttons. Each is measured against a reference in the same run that
// computes the same pixels the plain way, a division for every quotient.

#include "controls/dib.h"
#include "controls/runtime_random.h"
#include "controls/shade.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdint>

namespace corvane {
namespace {

constexpr std::int32_t kDialogWidth = 644;
constexpr std::int32_t kDialogHeight = 700;
constexpr ColorRef kTint = MakeColorRef(0, 102, 0);

// Refresh, search, save and close, in pixels.
constexpr std::int32_t kButtons[4][2] = {{99, 28}, {81, 26}, {32, 26}, {32, 26}};

class ClassicColours final : public ButtonColours {
public:
    ColorRef Highlight() const override { return MakeColorRef(255, 255, 255); }
    ColorRef Face() const override { return MakeColorRef(192, 192, 192); }
    ColorRef Shadow() const override { return MakeColorRef(128, 128, 128); }
};

// Effect 6 as written, without the generator's shortcuts.
void PlainCrossCurve(CDib& dib, std::int32_t g, RuntimeRandom& random) {
    const std::int32_t w = dib.GetWidth(), h = dib.GetHeight(), divisor = 32767 / std::max(1, 2 * g);
    for (std::int32_t r = 0; r < h; ++r) {
        std::uint8_t* p = dib.GetBits() + r * dib.GetLineWidth();
        const std::int32_t a = r * 255 / h - 127;
        for (std::int32_t x = 0; x < w; ++x) {
            const std::int32_t b = (w - x) * 255 / w - 127;
            std::int32_t v = a * a * a / 16384 + b * b * b / 16384;
            v = (128 - g) * v / 128 + 128;
            if (v < g) v = g;
            if (v > 255 - g) v = 255 - g;
            p[x] = static_cast<std::uint8_t>(v);
            p[x] = static_cast<std::uint8_t>(p[x] + random.Next() / divisor - g);
        }
    }
}

// Effect 4 as written.
void PlainRowCurve(CDib& dib, std::int32_t g, RuntimeRandom& random) {
    const std::int32_t w = dib.GetWidth(), h = dib.GetHeight(), divisor = 32767 / std::max(1, 2 * g);
    for (std::int32_t r = 0; r < h; ++r) {
        std::uint8_t* p = dib.GetBits() + r * dib.GetLineWidth();
        std::int32_t t = r * 255 / h - 127;
        t = t * t * t / 16384;
        const std::int32_t v = (128 - g) * t / 128 + 128;
        for (std::int32_t x = 0; x < w; ++x) {
            p[x] = static_cast<std::uint8_t>(v);
            p[x] = static_cast<std::uint8_t>(p[x] + random.Next() / divisor - g);
        }
    }
}

void CountPixels(benchmark::State& state, std::int64_t pixelsPerIteration) {
    state.counters["pixels_per_second"] = benchmark::Counter(
        static_cast<double>(pixelsPerIteration) * static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}

void BM_ShadeDialogBackground(benchmark::State& state) {
    const ClassicColours colours;
    RuntimeRandom random;
    for (auto _ : state) {
        CDib dib;
        CreateShadeBackground(dib, ShadeCrossCurve, kDialogWidth, kDialogHeight, kTint, colours, random);
        benchmark::DoNotOptimize(dib.GetBits());
        benchmark::ClobberMemory();
    }
    CountPixels(state, std::int64_t{kDialogWidth} * kDialogHeight);
}
BENCHMARK(BM_ShadeDialogBackground)->Unit(benchmark::kMillisecond);

void BM_ShadeDialogBackground_Reference(benchmark::State& state) {
    const ClassicColours colours;
    RuntimeRandom random;
    for (auto _ : state) {
        CDib dib;
        dib.Create(kDialogWidth, kDialogHeight, 8);
        BuildShadePalette(dib, colours);
        dib.BlendPalette(kTint, kBackgroundTintPercent);
        PlainCrossCurve(dib, kBackgroundGranularity, random);
        benchmark::DoNotOptimize(dib.GetBits());
        benchmark::ClobberMemory();
    }
    CountPixels(state, std::int64_t{kDialogWidth} * kDialogHeight);
}
BENCHMARK(BM_ShadeDialogBackground_Reference)->Unit(benchmark::kMillisecond);

std::int64_t ButtonPixels() {
    std::int64_t pixels = 0;
    for (const auto& size : kButtons)
        pixels += std::int64_t{size[0]} * size[1];
    return pixels;
}

// The four button faces, each made the way the buttons make theirs with
// `shade` drawing the pixels.
template <typename Shade> void MakeButtonFaces(benchmark::State& state, Shade shade) {
    const ClassicColours colours;
    RuntimeRandom random;
    for (auto _ : state) {
        for (const auto& size : kButtons) {
            CDib face;
            face.Create(size[0], size[1], 8);
            BuildShadePalette(face, colours);
            face.BlendPalette(kTint, 5);
            shade(face, random);
            benchmark::DoNotOptimize(face.GetBits());
            benchmark::ClobberMemory();
        }
    }
    CountPixels(state, ButtonPixels());
}

void BM_ShadeButtonFaces(benchmark::State& state) {
    MakeButtonFaces(state, [](CDib& face, RuntimeRandom& random) { GenerateShade(face, ShadeRowCurve, 8, random); });
}
BENCHMARK(BM_ShadeButtonFaces)->Unit(benchmark::kMicrosecond);

void BM_ShadeButtonFaces_Reference(benchmark::State& state) {
    MakeButtonFaces(state, [](CDib& face, RuntimeRandom& random) { PlainRowCurve(face, 8, random); });
}
BENCHMARK(BM_ShadeButtonFaces_Reference)->Unit(benchmark::kMicrosecond);

// Every effect at the dialog's size, pixels only (the target is made once).
void BM_ShadeEffectAtDialogSize(benchmark::State& state) {
    const ClassicColours colours;
    CDib dib;
    dib.Create(kDialogWidth, kDialogHeight, 8);
    BuildShadePalette(dib, colours);
    RuntimeRandom random;
    const auto effect = static_cast<std::int32_t>(state.range(0));
    for (auto _ : state) {
        GenerateShade(dib, effect, 8, random);
        benchmark::DoNotOptimize(dib.GetBits());
        benchmark::ClobberMemory();
    }
    CountPixels(state, std::int64_t{kDialogWidth} * kDialogHeight);
}
BENCHMARK(BM_ShadeEffectAtDialogSize)->DenseRange(0, 8)->Unit(benchmark::kMillisecond);

} // namespace
} // namespace corvane
