#include "controls/shade_faces.h"

#include <algorithm>

namespace corvane {
namespace {

// Palette indices of the untinted shade palette's ends.
constexpr std::uint8_t kShadowIndex = 0;
constexpr std::uint8_t kHighlightIndex = 255;

std::uint8_t Dot(std::int32_t position) { return (position % 2 == 0) ? kShadowIndex : kHighlightIndex; }

} // namespace

void BuildButtonFaces(CDib& normal, CDib& hover, CDib& pressed, CDib& disabled, std::int32_t width, std::int32_t height,
                      const ButtonFaceLook& look, const ButtonColours& colours, RuntimeRandom& random) {
    normal.Create(width, height, 8);
    BuildShadePalette(normal, colours);
    normal.BlendPalette(look.tintColor, look.tintPercent);
    GenerateShade(normal, look.effect, look.granularity, random);

    disabled.Clone(normal);
    hover.Clone(normal);
    hover.BlendPalette(colours.Highlight(), look.highlightPercent);
    pressed.Clone(hover);
}

void BuildFocusStripes(CDib& across, CDib& down, std::int32_t width, std::int32_t height, std::int32_t margin,
                       const ButtonColours& colours) {
    across.Create(std::max(1, width - 2 * margin - 1), 1, 8);
    down.Create(1, std::max(1, height - 2 * margin), 8);
    BuildShadePalette(across, colours);
    BuildShadePalette(down, colours);

    if (std::uint8_t* bits = across.GetBits()) {
        for (std::int32_t x = 0; x < across.GetWidth(); ++x)
            bits[x] = Dot(x);
    }
    // Stored row 0 is the bottom pixel.
    if (std::uint8_t* bits = down.GetBits()) {
        for (std::int32_t row = 0; row < down.GetHeight(); ++row)
            bits[row * down.GetLineWidth()] = Dot(row);
    }
}

} // namespace corvane
