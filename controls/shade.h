#pragma once

// The shade generator: textured, softly lit surfaces for button faces and
// dialog backgrounds. A pixel is a palette index read as a brightness (0 the
// button shadow, about 128 the button face, 255 the highlight); a numbered
// effect chooses the brightness pattern and a random grain is laid over it.

#include "controls/dib.h"
#include "controls/runtime_random.h"

#include <cstdint>

namespace corvane {

// Any number outside 1 to 8 reads as ShadeGrain.
enum ShadeEffect : std::int32_t {
    ShadeGrain = 0,       // face colour with grain only
    ShadeCornerRamp = 1,  // brightest top-left, darkest bottom-right
    ShadeRowRamp = 2,     // dark at the bottom, light at the top
    ShadeColumnRamp = 3,  // light at the left, dark at the right
    ShadeRowCurve = 4,    // cubic curve over the height around the face colour
    ShadeColumnCurve = 5, // the same curve over the width, light at the left
    ShadeCrossCurve = 6,  // both curves added, clamped
    ShadeRimmedCurve = 7, // flatter row curve with bevelled rims left and right
    ShadeStrokes = 8,     // short dark diagonal strokes under a corner ramp
};

// The three system colours a shade palette is made of.
class ButtonColours {
public:
    virtual ~ButtonColours() = default;
    virtual ColorRef Highlight() const = 0; // COLOR_BTNHIGHLIGHT
    virtual ColorRef Face() const = 0;      // COLOR_BTNFACE
    virtual ColorRef Shadow() const = 0;    // COLOR_BTNSHADOW
};

// rand() / D for the grain divisor D = 32767 / max(1, 2g) of a granularity
// g, by multiplication: exact for every rand() value, and the grain is drawn
// once per pixel.
class GrainQuotient {
public:
    explicit GrainQuotient(std::uint8_t granularity);
    std::int32_t Divisor() const { return m_divisor; }
    std::int32_t operator()(std::int32_t randomValue) const {
        return static_cast<std::int32_t>((static_cast<std::uint64_t>(randomValue) * m_reciprocal) >> 32);
    }

private:
    std::int32_t m_divisor;
    std::uint64_t m_reciprocal;
};

// Entries 0 to 127 run from shadow toward face, 128 to 255 from face to
// highlight. Entries beyond the target's colour table are skipped.
void BuildShadePalette(CDib& dib, const ButtonColours& colours);

// Writes every pixel of an 8-bit target whose palette is built, drawing
// numbers from `random` in the order each effect defines. Targets without a
// block or of another depth are left alone.
void GenerateShade(CDib& dib, std::int32_t effect, std::uint8_t granularity, RuntimeRandom& random);
// The same with the calling thread's generator.
void GenerateShade(CDib& dib, std::int32_t effect, std::uint8_t granularity);

// Dialog backgrounds: granularity 8 and a 5 percent tint toward `color`.
constexpr std::uint8_t kBackgroundGranularity = 8;
constexpr std::int32_t kBackgroundTintPercent = 5;

// Creates `dib` at width × height, 8 bits, with the tinted shade palette and
// fills it. Leaves it empty when it cannot be created.
void CreateShadeBackground(CDib& dib, std::int32_t effect, std::int32_t width, std::int32_t height, ColorRef color,
                           const ButtonColours& colours, RuntimeRandom& random);

} // namespace corvane
