#include "controls/dib.h"
#include "controls/runtime_random.h"
#include "controls/shade.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

namespace corvane {
namespace {

// System colours chosen by the test.
class FixedColours final : public ButtonColours {
public:
    FixedColours(ColorRef highlight, ColorRef face, ColorRef shadow)
        : m_highlight(highlight), m_face(face), m_shadow(shadow) {}
    ColorRef Highlight() const override { return m_highlight; }
    ColorRef Face() const override { return m_face; }
    ColorRef Shadow() const override { return m_shadow; }

private:
    ColorRef m_highlight, m_face, m_shadow;
};

const FixedColours kGreys(MakeColorRef(255, 255, 255), MakeColorRef(192, 192, 192), MakeColorRef(128, 128, 128));
constexpr ColorRef kGreenTint = MakeColorRef(0, 102, 0);

std::uint8_t Low8(std::int64_t value) { return static_cast<std::uint8_t>(value & 0xFF); }
// The value a 32-bit register would hold.
std::int32_t Wrap32(std::int64_t value) { return static_cast<std::int32_t>(static_cast<std::uint32_t>(value)); }

// Pixel values in stored order, row 0 (the bottom line) first, padding left
// out.
std::vector<std::uint8_t> Pixels(const CDib& dib) {
    std::vector<std::uint8_t> pixels;
    for (std::int32_t r = 0; r < dib.GetHeight(); ++r) {
        const std::uint8_t* row = dib.GetBits() + static_cast<std::ptrdiff_t>(r) * dib.GetLineWidth();
        pixels.insert(pixels.end(), row, row + dib.GetWidth());
    }
    return pixels;
}

// A target ready for the generator: 8 bits, shade palette, pixel and padding
// bytes set to a marker so that writes past a row's end show.
CDib& Prepare(CDib& dib, std::int32_t width, std::int32_t height, std::uint8_t marker = 0xCD) {
    EXPECT_NE(dib.Create(width, height, 8), nullptr) << width << " x " << height;
    BuildShadePalette(dib, kGreys);
    dib.Clear(marker);
    return dib;
}

// The patterns as written, one operation at a time, with a real division
// for every quotient and 64-bit products cut to 32 bits.
class ReferenceShade {
public:
    ReferenceShade(std::int32_t width, std::int32_t height, std::int32_t granularity, std::uint32_t seed)
        : W(width), H(height), g(granularity), D(32767 / std::max(1, 2 * granularity)), random(seed),
          pixels(static_cast<std::size_t>(width) * static_cast<std::size_t>(height)) {}

    std::int32_t W, H, g, D;
    RuntimeRandom random;
    std::vector<std::uint8_t> pixels; // row 0 first

    std::uint8_t& At(std::int32_t r, std::int32_t x) { return pixels[static_cast<std::size_t>(r) * W + x]; }
    std::int32_t Noise() { return random.Next() / D - g; }
    void SetAndAddGrain(std::int32_t r, std::int32_t x, std::int32_t v) {
        At(r, x) = Low8(v);
        At(r, x) = Low8(At(r, x) + Noise());
    }
    static std::int32_t Cube(std::int32_t n) { return Wrap32(std::int64_t{n} * n * n) / 16384; }

    void Run(std::int32_t effect) {
        switch (effect) {
        case 1: {
            const std::int32_t k = (255 - 2 * g) / 2;
            for (std::int32_t r = 0; r < H; ++r)
                for (std::int32_t x = 0; x < W; ++x)
                    SetAndAddGrain(r, x, Wrap32(std::int64_t{k} * r) / H + g + Wrap32(std::int64_t{W - x} * k) / W);
            break;
        }
        case 2: {
            const std::int32_t k = 255 - 2 * g;
            for (std::int32_t r = 0; r < H; ++r) {
                const std::int32_t v = Wrap32(std::int64_t{k} * r) / H + g;
                for (std::int32_t x = 0; x < W; ++x)
                    SetAndAddGrain(r, x, v);
            }
            break;
        }
        case 3: {
            const std::int32_t k = 255 - 2 * g;
            for (std::int32_t x = 0; x < W; ++x) {
                const std::int32_t v = Wrap32(std::int64_t{W - x} * k) / W + g;
                for (std::int32_t r = 0; r < H; ++r)
                    SetAndAddGrain(r, x, v);
            }
            break;
        }
        case 4: RowCurve(128 - g); break;
        case 5:
            for (std::int32_t x = 0; x < W; ++x) {
                std::int32_t t = Wrap32(std::int64_t{W - x} * 255) / W - 127;
                t = Cube(t);
                const std::int32_t v = Wrap32(std::int64_t{128 - g} * t) / 128 + 128;
                for (std::int32_t r = 0; r < H; ++r)
                    SetAndAddGrain(r, x, v);
            }
            break;
        case 6:
            for (std::int32_t r = 0; r < H; ++r) {
                const std::int32_t a = Wrap32(std::int64_t{r} * 255) / H - 127;
                for (std::int32_t x = 0; x < W; ++x) {
                    const std::int32_t b = Wrap32(std::int64_t{W - x} * 255) / W - 127;
                    std::int32_t v = Cube(a) + Cube(b);
                    v = Wrap32(std::int64_t{128 - g} * v) / 128 + 128;
                    if (v < g) v = g;
                    if (v > 255 - g) v = 255 - g;
                    SetAndAddGrain(r, x, v);
                }
            }
            break;
        case 7: {
            RowCurve(128 - 2 * g);
            const std::int32_t s = std::min(W / 6, 16);
            const std::int32_t q = Wrap32(std::int64_t{H} * H) / 4;
            for (std::int32_t r = 0; r < H; ++r) {
                const std::int32_t dy = r - H / 2;
                for (std::int32_t x = 0; x < W; ++x) {
                    const std::int32_t dx = x - W / 2;
                    // One row high: q is 0 and the rims keep their full width.
                    const std::int32_t e = W / 2 - s + (q == 0 ? 0 : Wrap32(std::int64_t{dy} * dy * s) / q);
                    if (dx > e) At(r, x) = Low8(Wrap32(std::int64_t{W - x} * 128) / s + g);
                    if (dx + e < 0) At(r, x) = Low8(255 - g - Wrap32(std::int64_t{x} * 128) / s);
                    At(r, x) = Low8(At(r, x) + Noise());
                }
            }
            break;
        }
        case 8: {
            std::fill(pixels.begin(), pixels.end(), std::uint8_t{0});
            if (W == 0 || H == 0) break;
            const std::int32_t m = std::min(W, H);
            for (int stroke = 0; stroke < 200; ++stroke) {
                const std::int32_t cx = random.Next() / std::max(1, 32767 / W);
                const std::int32_t cy = random.Next() / std::max(1, 32767 / H);
                const std::int32_t len = (random.Next() / std::max(1, 32767 / m)) / 2;
                const std::int32_t colour = random.Next() / 819;
                for (std::int32_t i = 0; i < len; ++i) {
                    if (cx - i > 0 && cy + i < H) SetFromTop(cx - i, cy + i, colour);
                    if (cx + i < W && cy - i > 0) SetFromTop(cx + i, cy - i, colour);
                }
            }
            const std::int32_t k = (255 - 2 * g - 40) / 2;
            for (std::int32_t r = 0; r < H; ++r)
                for (std::int32_t x = 0; x < W; ++x) {
                    At(r, x) = Low8(At(r, x) + Wrap32(std::int64_t{k} * r) / H + Wrap32(std::int64_t{W - x} * k) / W);
                    At(r, x) = Low8(At(r, x) + random.Next() / D);
                }
            break;
        }
        default:
            for (std::int32_t r = 0; r < H; ++r)
                for (std::int32_t x = 0; x < W; ++x)
                    At(r, x) = Low8(random.Next() / D + 128 - g);
            break;
        }
    }

private:
    void RowCurve(std::int32_t amplitude) {
        for (std::int32_t r = 0; r < H; ++r) {
            std::int32_t t = Wrap32(std::int64_t{r} * 255) / H - 127;
            t = Cube(t);
            const std::int32_t v = Wrap32(std::int64_t{amplitude} * t) / 128 + 128;
            for (std::int32_t x = 0; x < W; ++x)
                SetAndAddGrain(r, x, v);
        }
    }
    void SetFromTop(std::int32_t x, std::int32_t y, std::int32_t colour) {
        if (x >= 0 && x < W && y >= 0 && y < H) At(H - 1 - y, x) = Low8(colour);
    }
};

// rand() / D - g for the next `count` numbers from `seed`.
std::vector<std::int32_t> NoiseFrom(std::uint32_t seed, std::size_t count, std::int32_t g, std::size_t skip = 0) {
    RuntimeRandom random(seed);
    for (std::size_t i = 0; i < skip; ++i)
        random.Next();
    const std::int32_t divisor = 32767 / std::max(1, 2 * g);
    std::vector<std::int32_t> noise(count);
    for (auto& n : noise)
        n = random.Next() / divisor - g;
    return noise;
}

std::uint32_t StateAfter(std::uint32_t seed, std::uint64_t draws) {
    RuntimeRandom random(seed);
    for (std::uint64_t i = 0; i < draws; ++i)
        random.Next();
    return random.State();
}

TEST(RuntimeRandom, FollowsThePlatformSequence) {
    RuntimeRandom random;
    EXPECT_EQ(random.Next(), 41);
    EXPECT_EQ(random.Next(), 18467);
    EXPECT_EQ(random.Next(), 6334);
    EXPECT_EQ(random.Next(), 26500);
    EXPECT_EQ(random.State(), StateAfter(1, 4));
    random.Seed(0xFFFFFFFFu);
    EXPECT_EQ(random.Next(), static_cast<std::int32_t>(((0xFFFFFFFFu * 214013u + 2531011u) >> 16) & 0x7FFF));
    std::int32_t low = RuntimeRandom::kMax, high = 0;
    for (int i = 0; i < 200000; ++i) {
        const std::int32_t n = random.Next();
        low = std::min(low, n);
        high = std::max(high, n);
    }
    EXPECT_EQ(low, 0);
    EXPECT_EQ(high, 32767);
}

TEST(RuntimeRandom, EveryThreadStartsAtOneAndKeepsItsOwnState) {
    ThreadRandom().Next();
    ThreadRandom().Next();
    const std::uint32_t mine = ThreadRandom().State();
    std::int32_t first = -1, second = -1;
    std::thread([&] {
        first = ThreadRandom().Next();
        second = ThreadRandom().Next();
    }).join();
    EXPECT_EQ(first, 41);
    EXPECT_EQ(second, 18467);
    EXPECT_EQ(ThreadRandom().State(), mine);
}

TEST(GrainQuotient, DividesEveryRandomValueExactlyForEveryGranularity) {
    EXPECT_EQ(GrainQuotient(0).Divisor(), 32767);
    EXPECT_EQ(GrainQuotient(8).Divisor(), 2047);
    EXPECT_EQ(GrainQuotient(100).Divisor(), 163);
    EXPECT_EQ(GrainQuotient(255).Divisor(), 64);
    for (int g = 0; g <= 255; ++g) {
        const GrainQuotient quotient(static_cast<std::uint8_t>(g));
        const std::int32_t divisor = 32767 / std::max(1, 2 * g);
        ASSERT_EQ(quotient.Divisor(), divisor) << g;
        for (std::int32_t n = 0; n <= 32767; ++n)
            ASSERT_EQ(quotient(n), n / divisor) << "g " << g << " n " << n;
    }
}

TEST(ShadePalette, GreySystemColoursGiveTheRampFromShadowOverFaceToHighlight) {
    CDib dib;
    ASSERT_NE(dib.Create(1, 1, 8), nullptr);
    BuildShadePalette(dib, kGreys);
    const std::uint8_t* table = dib.GetBlock() + 40;
    const std::pair<int, int> expected[] = {{0, 128},   {64, 160},  {127, 191}, {128, 192},
                                            {129, 192}, {191, 223}, {254, 254}, {255, 255}};
    for (const auto& [index, value] : expected) {
        for (int c = 0; c < 3; ++c)
            EXPECT_EQ(table[4 * index + c], value) << "entry " << index;
        EXPECT_EQ(table[4 * index + 3], 0) << "entry " << index;
    }
    for (int i = 1; i < 256; ++i)
        EXPECT_GE(table[4 * i], table[4 * (i - 1)]) << "brightness rises with the index";
}

TEST(ShadePalette, EachChannelComesFromItsOwnComponent) {
    const FixedColours colours(MakeColorRef(250, 240, 230), MakeColorRef(100, 150, 200), MakeColorRef(10, 20, 30));
    CDib dib;
    ASSERT_NE(dib.Create(1, 1, 8), nullptr);
    BuildShadePalette(dib, colours);
    const auto entry = [&](int i) { return dib.GetBlock() + 40 + 4 * i; };
    // blue, green, red in the table
    EXPECT_EQ(entry(0)[0], 30);
    EXPECT_EQ(entry(0)[1], 20);
    EXPECT_EQ(entry(0)[2], 10);
    EXPECT_EQ(entry(255)[0], 230);
    EXPECT_EQ(entry(255)[1], 240);
    EXPECT_EQ(entry(255)[2], 250);
    // Entry 128 holds its second value, one step from face toward highlight.
    EXPECT_EQ(entry(128)[2], (127 * 100 + 250) / 128);
    EXPECT_EQ(entry(128)[0], (127 * 200 + 230) / 128);
    EXPECT_EQ(entry(127)[1], (1 * 20 + 127 * 150) / 128);
}

TEST(ShadePalette, SmallerColourTablesTakeOnlyTheirEntries) {
    CDib dib;
    ASSERT_NE(dib.Create(3, 3, 4), nullptr);
    dib.Clear(0x99);
    BuildShadePalette(dib, kGreys);
    EXPECT_EQ(dib.GetBlock()[40 + 4 * 15], (113 * 128 + 15 * 192) / 128);
    for (int i = 0; i < 12; ++i)
        EXPECT_EQ(dib.GetBits()[i], 0x99) << "pixels untouched";
}

TEST(ShadeEffects, RowValuesOfRampAndCurveBeforeGrain) {
    const std::pair<std::int32_t, std::vector<int>> cases[] = {{ShadeRowRamp, {8, 67, 127, 187}},
                                                               {ShadeRowCurve, {11, 113, 128, 143}}};
    for (const auto& [effect, rows] : cases) {
        CDib dib;
        Prepare(dib, 3, 4);
        RuntimeRandom random(12345);
        GenerateShade(dib, effect, 8, random);
        const std::vector<std::int32_t> noise = NoiseFrom(12345, 12, 8);
        const std::vector<std::uint8_t> pixels = Pixels(dib);
        for (int i = 0; i < 12; ++i)
            EXPECT_EQ(Low8(pixels[i] - noise[i]), rows[i / 3]) << "effect " << effect << " pixel " << i;
    }
}

TEST(ShadeEffects, TwoByTwoOnAFreshThread) {
    const std::pair<std::int32_t, std::vector<std::uint8_t>> cases[] = {{ShadeRowRamp, {0, 9, 122, 131}},
                                                                        {ShadeGrain, {120, 129, 123, 132}}};
    for (const auto& [effect, expected] : cases) {
        std::vector<std::uint8_t> pixels;
        std::thread([&, effect = effect] {
            CDib dib;
            Prepare(dib, 2, 2);
            GenerateShade(dib, effect, 8);
            pixels = Pixels(dib);
        }).join();
        EXPECT_EQ(pixels, expected) << "effect " << effect;
    }
}

TEST(ShadeEffects, EveryNumberOutsideOneToEightIsGrain) {
    CDib grain;
    Prepare(grain, 9, 5);
    RuntimeRandom random(777);
    GenerateShade(grain, ShadeGrain, 8, random);
    for (std::int32_t effect : {9, -1, 100, INT32_MIN, INT32_MAX}) {
        CDib dib;
        Prepare(dib, 9, 5);
        RuntimeRandom same(777);
        GenerateShade(dib, effect, 8, same);
        EXPECT_EQ(Pixels(dib), Pixels(grain)) << effect;
        EXPECT_EQ(same.State(), random.State()) << effect;
    }
}

TEST(ShadeEffects, GrainRangeFollowsTheGranularity) {
    CDib dib;
    Prepare(dib, 256, 256);
    RuntimeRandom random(1);
    GenerateShade(dib, ShadeGrain, 0, random);
    const std::vector<std::uint8_t> flat = Pixels(dib);
    const auto ones = std::count(flat.begin(), flat.end(), 129);
    EXPECT_EQ(std::count(flat.begin(), flat.end(), 128) + ones, 65536) << "granularity 0 adds 0 or 1";
    const std::vector<std::int32_t> noise = NoiseFrom(1, 65536, 0);
    EXPECT_EQ(ones, std::count(noise.begin(), noise.end(), 1)) << "1 only where rand() gave 32767";
    EXPECT_GT(ones, 0);

    GenerateShade(dib, ShadeGrain, 100, random);
    const std::vector<std::uint8_t> coarse = Pixels(dib);
    // rand() / 163 lies in 0 to 201: the grain spans -100 to +101 around 128.
    EXPECT_EQ(*std::min_element(coarse.begin(), coarse.end()), 28);
    EXPECT_EQ(*std::max_element(coarse.begin(), coarse.end()), 28 + 201);
}

TEST(ShadeEffects, ValuesWrapAroundInEightBits) {
    // Granularity 200: rand() / 81 + 128 - 200 runs from -72 to 332.
    CDib dib;
    Prepare(dib, 64, 64);
    RuntimeRandom random(99);
    GenerateShade(dib, ShadeGrain, 200, random);
    const std::vector<std::uint8_t> pixels = Pixels(dib);
    const std::vector<std::int32_t> noise = NoiseFrom(99, pixels.size(), 200);
    int below = 0, above = 0;
    for (std::size_t i = 0; i < pixels.size(); ++i) {
        const std::int32_t value = noise[i] + 128; // rand() / D + 128 - g
        below += value < 0;
        above += value > 255;
        ASSERT_EQ(pixels[i], Low8(value)) << i;
    }
    EXPECT_GT(below, 0) << "values below 0 wrap to highlight pixels";
    EXPECT_GT(above, 0);
}

TEST(ShadeEffects, MatchTheWrittenPatternsForEverySizeAndGranularity) {
    const std::pair<std::int32_t, std::int32_t> sizes[] = {{1, 1},   {2, 2},   {5, 3},   {6, 1},   {1, 6},  {7, 2},
                                                           {13, 11}, {75, 23}, {32, 26}, {99, 28}, {5, 40}, {200, 3}};
    for (std::int32_t effect = -1; effect <= 9; ++effect) {
        for (const auto& [w, h] : sizes) {
            for (int g : {0, 1, 8, 64, 100, 127, 128, 200, 255}) {
                const std::uint32_t seed = static_cast<std::uint32_t>(effect * 1000 + w * 31 + h * 7 + g);
                CDib dib;
                Prepare(dib, w, h, 0xCD);
                RuntimeRandom random(seed);
                GenerateShade(dib, effect, static_cast<std::uint8_t>(g), random);
                ReferenceShade reference(w, h, g, seed);
                reference.Run(effect);
                ASSERT_EQ(Pixels(dib), reference.pixels)
                    << "effect " << effect << ", " << w << " x " << h << ", g " << g;
                ASSERT_EQ(random.State(), reference.random.State())
                    << "numbers drawn: effect " << effect << ", " << w << " x " << h << ", g " << g;
                const std::uint8_t padding = effect == ShadeStrokes ? 0 : 0xCD; // strokes start with Clear(0)
                for (std::int32_t r = 0; r < h; ++r)
                    for (std::int32_t x = w; x < dib.GetLineWidth(); ++x)
                        ASSERT_EQ(dib.GetBits()[r * dib.GetLineWidth() + x], padding)
                            << "padding of effect " << effect << ", " << w << " x " << h;
            }
        }
    }
}

TEST(ShadeEffects, NumbersDrawnPerEffect) {
    const std::int32_t w = 11, h = 7;
    const std::uint64_t pixels = w * h;
    for (std::int32_t effect = 0; effect <= 8; ++effect) {
        CDib dib;
        Prepare(dib, w, h);
        RuntimeRandom random(5);
        GenerateShade(dib, effect, 8, random);
        const std::uint64_t draws = effect == ShadeRimmedCurve ? 2 * pixels
                                    : effect == ShadeStrokes   ? 4 * 200 + pixels
                                                               : pixels;
        EXPECT_EQ(random.State(), StateAfter(5, draws)) << "effect " << effect;
    }
}

TEST(ShadeEffects, PatternsDependOnWhatWasGeneratedBeforeThemOnTheThread) {
    std::vector<std::uint8_t> alone, afterAnother;
    std::thread([&] {
        CDib dib;
        GenerateShade(Prepare(dib, 75, 23), ShadeRowCurve, 8);
        alone = Pixels(dib);
    }).join();
    std::thread([&] {
        CDib first, dib;
        GenerateShade(Prepare(first, 10, 10), ShadeCrossCurve, 8);
        EXPECT_EQ(ThreadRandom().State(), StateAfter(1, 100));
        GenerateShade(Prepare(dib, 75, 23), ShadeRowCurve, 8);
        afterAnother = Pixels(dib);
    }).join();
    ReferenceShade fresh(75, 23, 8, 1), continued(75, 23, 8, StateAfter(1, 100));
    fresh.Run(ShadeRowCurve);
    continued.Run(ShadeRowCurve);
    EXPECT_EQ(alone, fresh.pixels);
    EXPECT_EQ(afterAnother, continued.pixels);
    EXPECT_NE(alone, afterAnother);
}

TEST(ShadeEffects, CrossCurveIsClampedBeforeTheGrain) {
    for (int g : {0, 8, 40, 100}) {
        CDib dib;
        Prepare(dib, 120, 90);
        RuntimeRandom random(31);
        GenerateShade(dib, ShadeCrossCurve, static_cast<std::uint8_t>(g), random);
        const std::vector<std::uint8_t> pixels = Pixels(dib);
        const std::vector<std::int32_t> noise = NoiseFrom(31, pixels.size(), g);
        int atLow = 0, atHigh = 0, storedBeyond = 0;
        for (std::size_t i = 0; i < pixels.size(); ++i) {
            const int before = Low8(pixels[i] - noise[i]);
            ASSERT_GE(before, g) << "g " << g << " pixel " << i;
            ASSERT_LE(before, 255 - g) << "g " << g << " pixel " << i;
            atLow += before == g;
            atHigh += before == 255 - g;
            storedBeyond += pixels[i] < g || pixels[i] > 255 - g;
        }
        if (g >= 8) {
            EXPECT_GT(atLow, 0) << "the dark corner reaches the lower bound, g " << g;
            EXPECT_GT(atHigh, 0) << "the light corner reaches the upper bound, g " << g;
            EXPECT_GT(storedBeyond, 0) << "grain goes beyond the bounds, g " << g;
        }
    }
}

TEST(ShadeEffects, StrokesAddRampAndGrainWithoutSubtracting) {
    const std::int32_t w = 75, h = 23;
    for (int g : {8, 30}) {
        CDib dib;
        Prepare(dib, w, h);
        RuntimeRandom random(2024);
        GenerateShade(dib, ShadeStrokes, static_cast<std::uint8_t>(g), random);
        const std::vector<std::uint8_t> pixels = Pixels(dib);
        // The grain numbers come after the 800 stroke numbers; plus g gives rand() / D.
        const std::vector<std::int32_t> noise = NoiseFrom(2024, pixels.size(), g, 800);
        const std::int32_t k = (255 - 2 * g - 40) / 2;
        int strokePixels = 0;
        for (std::int32_t r = 0; r < h; ++r)
            for (std::int32_t x = 0; x < w; ++x) {
                const std::size_t i = static_cast<std::size_t>(r) * w + x;
                const int stroke = Low8(pixels[i] - (k * r / h + (w - x) * k / w) - (noise[i] + g));
                ASSERT_LE(stroke, 40) << "what is left is the stroke layer, 0 to 40; g " << g << " at " << x << ", "
                                      << r;
                strokePixels += stroke != 0;
            }
        EXPECT_GT(strokePixels, 0) << "strokes are drawn";
    }
}

TEST(ShadeEffects, RimmedCurveOnASingleRowHasFullWidthRims) {
    // One row: the rims' narrowing term would divide by H * H / 4 = 0; it is
    // taken as 0, so each rim is s = min(W / 6, 16) columns wide.
    const std::int32_t w = 75, g = 8, s = 12;
    CDib dib;
    Prepare(dib, w, 1);
    RuntimeRandom random(3);
    GenerateShade(dib, ShadeRimmedCurve, g, random);
    const std::vector<std::uint8_t> pixels = Pixels(dib);
    const std::vector<std::int32_t> noise = NoiseFrom(3, 2 * w, g);
    const std::int32_t curve = (128 - 2 * g) * (-127 * -127 * -127 / 16384) / 128 + 128; // t = -127 for row 0 of 1
    for (std::int32_t x = 0; x < w; ++x) {
        const std::int32_t second = noise[w + x];
        std::int32_t before;
        if (x < s)
            before = 255 - g - x * 128 / s;
        else if (x >= w - s)
            before = (w - x) * 128 / s + g;
        else
            before = curve + noise[x];
        EXPECT_EQ(pixels[x], Low8(before + second)) << x;
    }

    for (std::int32_t narrow = 0; narrow <= 7; ++narrow) {
        CDib small;
        Prepare(small, narrow, 1);
        RuntimeRandom same(3);
        GenerateShade(small, ShadeRimmedCurve, g, same);
        ReferenceShade reference(narrow, 1, g, 3);
        reference.Run(ShadeRimmedCurve);
        EXPECT_EQ(Pixels(small), reference.pixels) << narrow << " wide";
    }
}

TEST(ShadeEffects, RimsNarrowTowardTopAndBottom) {
    // Before the second grain, a rim pixel holds the rim rule's value: count
    // in each row the run of such pixels from the left and from the right edge.
    const std::int32_t w = 75, h = 23, g = 8, s = 12;
    CDib dib;
    Prepare(dib, w, h);
    RuntimeRandom random(8);
    GenerateShade(dib, ShadeRimmedCurve, g, random);
    const std::vector<std::int32_t> noise = NoiseFrom(8, 2 * static_cast<std::size_t>(w) * h, g);
    const std::vector<std::uint8_t> pixels = Pixels(dib);
    const auto before = [&](std::int32_t r, std::int32_t x) {
        const std::size_t i = static_cast<std::size_t>(r) * w + x;
        return Low8(pixels[i] - noise[static_cast<std::size_t>(w) * h + i]);
    };
    for (const auto& [r, width] :
         {std::pair{0, 1}, std::pair{5, 9}, std::pair{11, 12}, std::pair{17, 9}, std::pair{22, 1}}) {
        std::int32_t left = 0, right = 0;
        while (left < w && before(r, left) == Low8(255 - g - left * 128 / s))
            ++left;
        while (right < w && before(r, w - 1 - right) == Low8((right + 1) * 128 / s + g))
            ++right;
        EXPECT_EQ(left, width) << "light rim of row " << r;
        EXPECT_EQ(right, width) << "dark rim of row " << r;
    }
}

TEST(ShadeEffects, DegenerateSizesNeitherDivideByZeroNorWriteOutside) {
    for (std::int32_t effect = 0; effect <= 8; ++effect) {
        for (const auto& [w, h] : {std::pair{0, 0}, std::pair{0, 5}, std::pair{5, 0}, std::pair{1, 1}}) {
            CDib dib;
            Prepare(dib, w, h);
            RuntimeRandom random(4);
            GenerateShade(dib, effect, 8, random);
            ReferenceShade reference(w, h, 8, 4);
            reference.Run(effect);
            EXPECT_EQ(Pixels(dib), reference.pixels) << effect << ": " << w << " x " << h;
            if (w * h == 0) {
                EXPECT_EQ(random.State(), 4u) << "nothing to draw, no numbers drawn: effect " << effect;
            }
        }
    }
}

TEST(ShadeEffects, StrokesBeyond32767KeepToTheFirst32768Positions) {
    for (const auto& [w, h] : {std::pair{40000, 3}, std::pair{3, 40000}}) {
        CDib dib;
        Prepare(dib, w, h);
        RuntimeRandom random(6);
        GenerateShade(dib, ShadeStrokes, 8, random);
        ReferenceShade reference(w, h, 8, 6);
        reference.Run(ShadeStrokes);
        ASSERT_EQ(Pixels(dib), reference.pixels) << w << " x " << h;
        EXPECT_EQ(random.State(), StateAfter(6, 800 + static_cast<std::uint64_t>(w) * h));

        // Strokes: what is left once ramp and grain are taken away.
        const std::vector<std::uint8_t> pixels = Pixels(dib);
        const std::vector<std::int32_t> noise = NoiseFrom(6, pixels.size(), 8, 800);
        const std::int32_t k = (255 - 16 - 40) / 2;
        int strokes = 0;
        for (std::int32_t r = 0; r < h; ++r)
            for (std::int32_t x = 0; x < w; ++x) {
                const std::size_t i = static_cast<std::size_t>(r) * w + x;
                if (Low8(pixels[i] - (k * r / h + (w - x) * k / w) - (noise[i] + 8)) == 0) continue;
                ++strokes;
                EXPECT_LE(x, 32767);
                EXPECT_LE(h - 1 - r, 32767);
            }
        EXPECT_GT(strokes, 0) << w << " x " << h;
    }
}

TEST(ShadeEffects, SizesWhoseProductsPassThirtyTwoBitsWrapAsThePatternsSay) {
    // With granularity 0 the amplitudes are 255: r * 255 passes 2^31 from row
    // 8421505 on, and (W - x) * 255 in the first columns of a bitmap that wide.
    const std::int32_t huge = 8500000;
    const struct {
        std::int32_t w, h;
        std::vector<std::int32_t> effects;
    } cases[] = {{1, huge, {ShadeRowRamp, ShadeRowCurve, ShadeCrossCurve, ShadeRimmedCurve}},
                 {huge, 1, {ShadeColumnRamp, ShadeColumnCurve, ShadeCrossCurve}}};
    for (const auto& c : cases) {
        for (std::int32_t effect : c.effects) {
            CDib dib;
            Prepare(dib, c.w, c.h);
            RuntimeRandom random(10);
            GenerateShade(dib, effect, 0, random);
            ReferenceShade reference(c.w, c.h, 0, 10);
            reference.Run(effect);
            ASSERT_EQ(Pixels(dib), reference.pixels) << "effect " << effect << ", " << c.w << " x " << c.h;
        }
    }
}

TEST(ShadeEffects, TargetsWithoutPixelsOrOfOtherDepthsAreLeftAlone) {
    CDib empty;
    RuntimeRandom random(1);
    GenerateShade(empty, ShadeCrossCurve, 8, random);
    EXPECT_FALSE(empty.IsValid());
    EXPECT_EQ(random.State(), 1u);

    for (std::uint16_t bits : {1, 4, 24}) {
        CDib dib;
        ASSERT_NE(dib.Create(30, 4, bits), nullptr);
        dib.Clear(0x3E);
        const std::vector<std::uint8_t> before(dib.GetBlock() + 40 + dib.GetPaletteSize(),
                                               dib.GetBlock() + dib.GetSize());
        for (std::int32_t effect = 0; effect <= 8; ++effect)
            GenerateShade(dib, effect, 8, random);
        EXPECT_TRUE(std::equal(before.begin(), before.end(), dib.GetBits())) << bits << " bits";
        EXPECT_EQ(random.State(), 1u);
    }
}

TEST(ShadeBackground, TintedPaletteAndCrossCurveAtGranularityEight) {
    CDib dib;
    RuntimeRandom random(17);
    CreateShadeBackground(dib, ShadeCrossCurve, 40, 30, kGreenTint, kGreys, random);
    ASSERT_TRUE(dib.IsValid());
    EXPECT_EQ(dib.GetWidth(), 40);
    EXPECT_EQ(dib.GetHeight(), 30);
    EXPECT_EQ(dib.GetBitCount(), 8);
    const std::uint8_t* table = dib.GetBlock() + 40;
    EXPECT_EQ(table[2], 121) << "red of entry 0";
    EXPECT_EQ(table[1], 126) << "green of entry 0";
    EXPECT_EQ(table[0], 121) << "blue of entry 0";
    EXPECT_EQ(table[4 * 255 + 1], (255 * 95 + 102 * 5) / 100);
    EXPECT_EQ(table[4 * 255 + 2], 255 * 95 / 100);

    ReferenceShade reference(40, 30, 8, 17);
    reference.Run(ShadeCrossCurve);
    EXPECT_EQ(Pixels(dib), reference.pixels);
    EXPECT_EQ(random.State(), reference.random.State());

    CDib failed;
    RuntimeRandom untouched(17);
    CreateShadeBackground(failed, ShadeCrossCurve, -1, 30, kGreenTint, kGreys, untouched);
    EXPECT_FALSE(failed.IsValid());
    EXPECT_EQ(untouched.State(), 17u);
}

// A .bmp file is a 14-byte file header followed by the packed block.
void WriteBitmapFile(const CDib& dib, const std::filesystem::path& path) {
    const std::uint32_t fileSize = 14 + dib.GetSize();
    const std::uint32_t pixelOffset = 14 + 40 + dib.GetPaletteSize();
    std::uint8_t header[14] = {'B', 'M'};
    for (int i = 0; i < 4; ++i) {
        header[2 + i] = static_cast<std::uint8_t>(fileSize >> (8 * i));
        header[10 + i] = static_cast<std::uint8_t>(pixelOffset >> (8 * i));
    }
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(header), sizeof header);
    out.write(reinterpret_cast<const char*>(dib.GetBlock()), dib.GetSize());
}

// The pictures are for people to look at: every effect at the size of a
// button and of the main dialog's client area, coloured as the program
// colours them.
TEST(ShadePictures, EveryEffectAtButtonAndDialogSize) {
    const std::filesystem::path folder = std::filesystem::path(CORVANE_TEST_OUTPUT_DIR) / "shades";
    std::filesystem::create_directories(folder);
    const std::pair<std::int32_t, std::int32_t> sizes[] = {{75, 23}, {644, 700}};
    std::vector<std::vector<std::uint8_t>> buttonFaces;
    for (std::int32_t effect = 0; effect <= 8; ++effect) {
        for (const auto& [w, h] : sizes) {
            CDib dib;
            RuntimeRandom random;
            if (w > 100) {
                CreateShadeBackground(dib, effect, w, h, kGreenTint, kGreys, random);
            } else {
                ASSERT_NE(dib.Create(w, h, 8), nullptr);
                BuildShadePalette(dib, kGreys);
                dib.BlendPalette(kGreenTint, 5);
                GenerateShade(dib, effect, 8, random);
            }
            ASSERT_TRUE(dib.IsValid());
            const std::filesystem::path path = folder / ("effect" + std::to_string(effect) + "_" + std::to_string(w) +
                                                         "x" + std::to_string(h) + ".bmp");
            WriteBitmapFile(dib, path);
            if (w < 100) buttonFaces.push_back(Pixels(dib));
        }
    }
    // Each effect makes a picture of its own.
    for (std::size_t a = 0; a < buttonFaces.size(); ++a)
        for (std::size_t b = a + 1; b < buttonFaces.size(); ++b)
            EXPECT_NE(buttonFaces[a], buttonFaces[b]) << "effects " << a << " and " << b;
}

} // namespace
} // namespace corvane
