#include "controls/shade.h"

#include <algorithm>
#include <climits>

namespace corvane {

namespace {

// The patterns are defined in 32-bit arithmetic that wraps; these keep that
// meaning for every size without signed overflow.
std::int32_t Wrap(std::uint32_t value) { return static_cast<std::int32_t>(value); }
std::int32_t Mul(std::int32_t a, std::int32_t b) {
    return Wrap(static_cast<std::uint32_t>(a) * static_cast<std::uint32_t>(b));
}
std::int32_t Add(std::int32_t a, std::int32_t b) {
    return Wrap(static_cast<std::uint32_t>(a) + static_cast<std::uint32_t>(b));
}
std::int32_t Sub(std::int32_t a, std::int32_t b) {
    return Wrap(static_cast<std::uint32_t>(a) - static_cast<std::uint32_t>(b));
}
std::int32_t CubeOver16384(std::int32_t n) { return Mul(Mul(n, n), n) / 16384; }
std::uint8_t Low8(std::int32_t value) { return static_cast<std::uint8_t>(value); }

// The cubic brightness curve of effects 4 to 7: `t` runs from -127 at the dark
// end to 128 at the light end; `amplitude` scales it around 128.
std::int32_t Curve(std::int32_t t, std::int32_t amplitude) { return Mul(amplitude, CubeOver16384(t)) / 128 + 128; }

// (width - x) * k / width for x = 0, 1, 2, ...: the falling ramp over the
// columns. Where the product cannot wrap, each step is an add and a compare
// instead of a division.
class ColumnRamp {
public:
    ColumnRamp(std::int32_t width, std::int32_t k) : m_width(width), m_k(k) {
        const std::int32_t magnitude = k < 0 ? -k : k;
        m_stepwise = width > 0 && magnitude <= INT32_MAX / width;
        if (m_stepwise) {
            m_negative = k < 0;
            m_quotient = magnitude; // width * magnitude / width
            m_step = magnitude / width;
            m_stepRemainder = magnitude % width;
        }
    }

    std::int32_t Value() const {
        if (!m_stepwise) return Mul(m_width - m_x, m_k) / m_width;
        return m_negative ? -m_quotient : m_quotient;
    }

    void Next() {
        ++m_x;
        if (!m_stepwise) return;
        m_quotient -= m_step;
        m_remainder -= m_stepRemainder;
        if (m_remainder < 0) {
            m_remainder += m_width;
            --m_quotient;
        }
    }

private:
    std::int32_t m_width;
    std::int32_t m_k;
    std::int32_t m_x = 0;
    bool m_stepwise = false;
    bool m_negative = false;
    std::int32_t m_quotient = 0;
    std::int32_t m_remainder = 0;
    std::int32_t m_step = 0;
    std::int32_t m_stepRemainder = 0;
};

// The grain source: a private copy of the caller's generator, so that the
// state stays in a register through the pixel loops; handed back at the end.
class Grain {
public:
    Grain(RuntimeRandom& shared, std::uint8_t granularity)
        : m_shared(shared), m_random(shared.State()), m_quotient(granularity), m_granularity(granularity) {}
    ~Grain() { m_shared.Seed(m_random.State()); }
    Grain(const Grain&) = delete;
    Grain& operator=(const Grain&) = delete;

    std::int32_t Draw() { return m_random.Next(); }
    // rand() / D: never negative.
    std::int32_t Positive() { return m_quotient(m_random.Next()); }
    // rand() / D - g: centred on zero.
    std::int32_t Noise() { return m_quotient(m_random.Next()) - m_granularity; }

private:
    RuntimeRandom& m_shared;
    RuntimeRandom m_random;
    GrainQuotient m_quotient;
    std::int32_t m_granularity;
};

struct Target {
    std::uint8_t* bits;
    std::int32_t width;
    std::int32_t height;
    std::int32_t lineWidth;
    std::uint8_t* Row(std::int32_t r) const { return bits + static_cast<std::ptrdiff_t>(r) * lineWidth; }
};

// Row r gets the value of `rowValue(r)`, then grain, pixel by pixel.
template <typename RowValue> void FillRows(const Target& t, Grain& grain, RowValue rowValue) {
    for (std::int32_t r = 0; r < t.height; ++r) {
        const std::int32_t v = rowValue(r);
        std::uint8_t* p = t.Row(r);
        for (std::int32_t x = 0; x < t.width; ++x)
            p[x] = Low8(v + grain.Noise());
    }
}

// Column x gets `columnValue(x)`, then grain; columns from the left, each
// from stored row 0 upward.
template <typename ColumnValue> void FillColumns(const Target& t, Grain& grain, ColumnValue columnValue) {
    for (std::int32_t x = 0; x < t.width; ++x) {
        const std::int32_t v = columnValue(x);
        std::uint8_t* p = t.bits + x;
        for (std::int32_t r = 0; r < t.height; ++r, p += t.lineWidth)
            *p = Low8(v + grain.Noise());
    }
}

void CornerRamp(const Target& t, Grain& grain, std::int32_t g) {
    const std::int32_t k = (255 - 2 * g) / 2;
    for (std::int32_t r = 0; r < t.height; ++r) {
        const std::int32_t rowPart = Mul(k, r) / t.height + g;
        ColumnRamp column(t.width, k);
        std::uint8_t* p = t.Row(r);
        for (std::int32_t x = 0; x < t.width; ++x, column.Next())
            p[x] = Low8(rowPart + column.Value() + grain.Noise());
    }
}

void RowRamp(const Target& t, Grain& grain, std::int32_t g) {
    const std::int32_t k = 255 - 2 * g;
    FillRows(t, grain, [&](std::int32_t r) { return Mul(k, r) / t.height + g; });
}

void ColumnRampEffect(const Target& t, Grain& grain, std::int32_t g) {
    ColumnRamp column(t.width, 255 - 2 * g);
    FillColumns(t, grain, [&](std::int32_t) {
        const std::int32_t v = column.Value() + g;
        column.Next();
        return v;
    });
}

void RowCurve(const Target& t, Grain& grain, std::int32_t amplitude) {
    FillRows(t, grain, [&](std::int32_t r) { return Curve(Mul(r, 255) / t.height - 127, amplitude); });
}

void ColumnCurve(const Target& t, Grain& grain, std::int32_t g) {
    ColumnRamp column(t.width, 255);
    FillColumns(t, grain, [&](std::int32_t) {
        const std::int32_t v = Curve(column.Value() - 127, 128 - g);
        column.Next();
        return v;
    });
}

void CrossCurve(const Target& t, Grain& grain, std::int32_t g) {
    const std::int32_t amplitude = 128 - g;
    const std::int32_t low = g;
    const std::int32_t high = 255 - g;
    for (std::int32_t r = 0; r < t.height; ++r) {
        const std::int32_t rowCube = CubeOver16384(Mul(r, 255) / t.height - 127);
        ColumnRamp column(t.width, 255);
        std::uint8_t* p = t.Row(r);
        for (std::int32_t x = 0; x < t.width; ++x, column.Next()) {
            std::int32_t v = rowCube + CubeOver16384(column.Value() - 127);
            v = Mul(amplitude, v) / 128 + 128;
            if (v < low) v = low;
            if (v > high) v = high;
            p[x] = Low8(v + grain.Noise());
        }
    }
}

void RimmedCurve(const Target& t, Grain& grain, std::int32_t g) {
    RowCurve(t, grain, 128 - 2 * g);

    const std::int32_t w = t.width;
    const std::int32_t s = (std::min)(w / 6, 16);
    const std::int32_t q = Mul(t.height, t.height) / 4;
    for (std::int32_t r = 0; r < t.height; ++r) {
        const std::int32_t dy = r - t.height / 2;
        // q is 0 when the bitmap is one row high (or when its height squared
        // wraps to within 3 of 0): that one row is the middle row, where the
        // rims are exactly s wide, so the narrowing term is taken as 0.
        const std::int32_t spread = Mul(Mul(dy, dy), s);
        std::int32_t narrowing = 0;
        if (q == -1)
            narrowing = Sub(0, spread);
        else if (q != 0)
            narrowing = spread / q;
        const std::int32_t e = Add(w / 2 - s, narrowing);
        std::uint8_t* p = t.Row(r);
        for (std::int32_t x = 0; x < w; ++x) {
            const std::int32_t dx = x - w / 2;
            // Narrower than 6 columns, s is 0 and e is w / 2: no column lies
            // in a rim, so s is never a divisor of 0.
            if (s > 0) {
                if (dx > e) p[x] = Low8(Mul(w - x, 128) / s + g);
                if (Add(dx, e) < 0) p[x] = Low8(255 - g - Mul(x, 128) / s);
            }
            p[x] = Low8(p[x] + grain.Noise());
        }
    }
}

// rand() / (32767 / extent): a position along an extent. Beyond 32767 the
// step is held at 1, so strokes stay within the first 32768 positions.
std::int32_t RandomPosition(Grain& grain, std::int32_t extent) {
    const std::int32_t step = (std::max)(RuntimeRandom::kMax / extent, 1);
    return grain.Draw() / step;
}

void Strokes(CDib& dib, const Target& t, Grain& grain, std::int32_t g) {
    dib.Clear(0);
    // Nothing to draw on: no strokes, and no numbers drawn for them.
    if (t.width == 0 || t.height == 0) return;

    const std::int32_t shortest = (std::min)(t.width, t.height);
    for (int stroke = 0; stroke < 200; ++stroke) {
        const std::int32_t cx = RandomPosition(grain, t.width);
        const std::int32_t cy = RandomPosition(grain, t.height);
        const std::int32_t length = RandomPosition(grain, shortest) / 2;
        const auto colour = static_cast<std::uint8_t>(grain.Draw() / (RuntimeRandom::kMax / 40));
        // A rising diagonal through (cx, cy), y counted from the top.
        for (std::int32_t i = 0; i < length; ++i) {
            if (cx - i > 0 && cy + i < t.height) dib.SetPixelIndex(cx - i, cy + i, colour);
            if (cx + i < t.width && cy - i > 0) dib.SetPixelIndex(cx + i, cy - i, colour);
        }
    }

    const std::int32_t k = (255 - 2 * g - 40) / 2;
    for (std::int32_t r = 0; r < t.height; ++r) {
        const std::int32_t rowPart = Mul(k, r) / t.height;
        ColumnRamp column(t.width, k);
        std::uint8_t* p = t.Row(r);
        for (std::int32_t x = 0; x < t.width; ++x, column.Next())
            p[x] = Low8(p[x] + rowPart + column.Value() + grain.Positive());
    }
}

void GrainOnly(const Target& t, Grain& grain, std::int32_t g) {
    for (std::int32_t r = 0; r < t.height; ++r) {
        std::uint8_t* p = t.Row(r);
        for (std::int32_t x = 0; x < t.width; ++x)
            p[x] = Low8(grain.Positive() + 128 - g);
    }
}

} // namespace

GrainQuotient::GrainQuotient(std::uint8_t granularity)
    : m_divisor(RuntimeRandom::kMax / (std::max)(1, 2 * granularity)),
      // With n below 2^15 and D below 2^15, n * (2^32 / D + 1) >> 32 is n / D
      // exactly: the error term n * D / 2^32 stays below 1.
      m_reciprocal((std::uint64_t{1} << 32) / static_cast<std::uint64_t>(m_divisor) + 1) {}

void BuildShadePalette(CDib& dib, const ButtonColours& colours) {
    const ColorRef highlight = colours.Highlight();
    const ColorRef face = colours.Face();
    const ColorRef shadow = colours.Shadow();
    const auto mix = [](std::int32_t fromWeight, std::uint8_t from, std::int32_t toWeight, std::uint8_t to) {
        return static_cast<std::uint8_t>((fromWeight * from + toWeight * to) / 128);
    };
    for (std::int32_t i = 0; i <= 128; ++i)
        dib.SetPaletteEntry(static_cast<std::uint8_t>(i), mix(128 - i, RedOf(shadow), i, RedOf(face)),
                            mix(128 - i, GreenOf(shadow), i, GreenOf(face)),
                            mix(128 - i, BlueOf(shadow), i, BlueOf(face)));
    // Entry 128 is written again here and keeps this second value.
    for (std::int32_t j = 1; j <= 128; ++j)
        dib.SetPaletteEntry(static_cast<std::uint8_t>(127 + j), mix(128 - j, RedOf(face), j, RedOf(highlight)),
                            mix(128 - j, GreenOf(face), j, GreenOf(highlight)),
                            mix(128 - j, BlueOf(face), j, BlueOf(highlight)));
}

void GenerateShade(CDib& dib, std::int32_t effect, std::uint8_t granularity, RuntimeRandom& random) {
    if (!dib.IsValid() || dib.GetBitCount() != 8) return;
    const Target target{dib.GetBits(), dib.GetWidth(), dib.GetHeight(), dib.GetLineWidth()};
    const std::int32_t g = granularity;
    Grain grain(random, granularity);
    switch (effect) {
    case ShadeCornerRamp: CornerRamp(target, grain, g); break;
    case ShadeRowRamp: RowRamp(target, grain, g); break;
    case ShadeColumnRamp: ColumnRampEffect(target, grain, g); break;
    case ShadeRowCurve: RowCurve(target, grain, 128 - g); break;
    case ShadeColumnCurve: ColumnCurve(target, grain, g); break;
    case ShadeCrossCurve: CrossCurve(target, grain, g); break;
    case ShadeRimmedCurve: RimmedCurve(target, grain, g); break;
    case ShadeStrokes: Strokes(dib, target, grain, g); break;
    default: GrainOnly(target, grain, g); break;
    }
}

void GenerateShade(CDib& dib, std::int32_t effect, std::uint8_t granularity) {
    GenerateShade(dib, effect, granularity, ThreadRandom());
}

void CreateShadeBackground(CDib& dib, std::int32_t effect, std::int32_t width, std::int32_t height, ColorRef color,
                           const ButtonColours& colours, RuntimeRandom& random) {
    if (dib.Create(width, height, 8) == nullptr) return;
    BuildShadePalette(dib, colours);
    dib.BlendPalette(color, kBackgroundTintPercent);
    GenerateShade(dib, effect, kBackgroundGranularity, random);
}

} // namespace corvane
