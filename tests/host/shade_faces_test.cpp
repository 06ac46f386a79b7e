#include "controls/dib.h"
#include "controls/runtime_random.h"
#include "controls/shade.h"
#include "controls/shade_faces.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace corvane {
namespace {

class Greys final : public ButtonColours {
public:
    ColorRef Highlight() const override { return MakeColorRef(255, 255, 255); }
    ColorRef Face() const override { return MakeColorRef(192, 192, 192); }
    ColorRef Shadow() const override { return MakeColorRef(128, 128, 128); }
};

// The main dialog's look on a 75 × 23 button.
constexpr ButtonFaceLook kLook{ShadeRowCurve, 8, 20, 5, MakeColorRef(0, 102, 0)};
constexpr std::int32_t kWidth = 75, kHeight = 23, kMargin = 4;

std::vector<std::uint8_t> Block(const CDib& dib) {
    return dib.IsValid() ? std::vector<std::uint8_t>(dib.GetBlock(), dib.GetBlock() + dib.GetSize())
                         : std::vector<std::uint8_t>();
}

ColorRef Entry(const CDib& dib, std::uint8_t index) {
    const std::uint8_t* entry = dib.GetBlock() + kDibHeaderSize + 4 * index;
    return MakeColorRef(entry[2], entry[1], entry[0]);
}

TEST(ButtonFaces, NormalIsTheTintedShadeHoverAndPressedALighterPaletteOverItsPixelsDisabledACopy) {
    CDib normal, hover, pressed, disabled;
    RuntimeRandom generator{7};
    BuildButtonFaces(normal, hover, pressed, disabled, kWidth, kHeight, kLook, Greys(), generator);

    CDib expected;
    ASSERT_NE(expected.Create(kWidth, kHeight, 8), nullptr);
    BuildShadePalette(expected, Greys());
    expected.BlendPalette(kLook.tintColor, kLook.tintPercent);
    RuntimeRandom random{7};
    GenerateShade(expected, kLook.effect, kLook.granularity, random);
    EXPECT_EQ(Block(normal), Block(expected));
    // Only the normal face takes numbers from the generator.
    EXPECT_EQ(generator.State(), random.State());
    EXPECT_EQ(Block(disabled), Block(normal));

    expected.BlendPalette(Greys().Highlight(), kLook.highlightPercent);
    EXPECT_EQ(Block(hover), Block(expected));
    EXPECT_EQ(Block(pressed), Block(hover));
    // The tinted shadow, and under the pointer a fifth of the way to white.
    EXPECT_EQ(Entry(normal, 0), MakeColorRef(121, 126, 121));
    EXPECT_EQ(Entry(hover, 0), MakeColorRef(147, 151, 147));
}

TEST(FocusStripes, DotTheUntintedShadowAndHighlightFromTheLeftAndTheBottomInsideTheMargin) {
    CDib across, down;
    BuildFocusStripes(across, down, kWidth, kHeight, kMargin, Greys());
    ASSERT_TRUE(across.IsValid() && down.IsValid());
    EXPECT_EQ(across.GetWidth(), kWidth - 2 * kMargin - 1);
    EXPECT_EQ(across.GetHeight(), 1);
    EXPECT_EQ(down.GetWidth(), 1);
    EXPECT_EQ(down.GetHeight(), kHeight - 2 * kMargin);
    for (std::int32_t x = 0; x < across.GetWidth(); ++x)
        EXPECT_EQ(across.GetBits()[x], x % 2 == 0 ? 0 : 255) << "x " << x;
    for (std::int32_t row = 0; row < down.GetHeight(); ++row)
        EXPECT_EQ(down.GetBits()[row * down.GetLineWidth()], row % 2 == 0 ? 0 : 255) << "stored row " << row;
    EXPECT_EQ(Entry(across, 0), Greys().Shadow());
    EXPECT_EQ(Entry(down, 255), Greys().Highlight());

    // A margin that leaves no room still gives one-pixel stripes.
    BuildFocusStripes(across, down, 8, 8, kMargin, Greys());
    EXPECT_EQ(across.GetWidth(), 1);
    EXPECT_EQ(down.GetHeight(), 1);
}

} // namespace
} // namespace corvane
