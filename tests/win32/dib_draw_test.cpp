#include "controls/win32/dib_draw_win32.h"
#include "controls/win32/shade_win32.h"
#include "tests/win32/framework_test_support.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <cstdint>

namespace corvane {
namespace {

using testing::PixelCanvas;

// The colour-table entry as a colour.
COLORREF EntryColour(const CDib& dib, int index) {
    const std::uint8_t* entry = dib.GetBlock() + 40 + 4 * index;
    return RGB(entry[2], entry[1], entry[0]);
}

constexpr COLORREF kMarker = RGB(0x12, 0x34, 0x56);

TEST(DibDraw, TopLeftPixelLandsOnThePointAndRowsRunDown) {
    CDib dib;
    ASSERT_NE(dib.Create(4, 3, 8), nullptr);
    for (int i = 0; i < 256; ++i)
        dib.SetPaletteEntry(static_cast<std::uint8_t>(i), static_cast<std::uint8_t>(i * 10),
                            static_cast<std::uint8_t>(255 - i * 10), static_cast<std::uint8_t>(i * 3));
    dib.Clear(0);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 4; ++x)
            dib.SetPixelIndex(x, y, static_cast<std::uint8_t>(y * 4 + x + 1));

    PixelCanvas canvas(20, 20, kMarker);
    ASSERT_TRUE(canvas.ready());
    EXPECT_TRUE(DrawDib(dib, canvas.dc(), 5, 7));
    const testing::Pixels drawn = canvas.Read();
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 4; ++x)
            EXPECT_EQ(drawn.At(5 + x, 7 + y), EntryColour(dib, y * 4 + x + 1)) << x << ", " << y;
    for (const auto& [x, y] : {std::pair{4, 7}, std::pair{9, 7}, std::pair{5, 6}, std::pair{5, 10}, std::pair{9, 10}})
        EXPECT_EQ(drawn.At(x, y), kMarker) << "outside: " << x << ", " << y;
    EXPECT_EQ(::GetStretchBltMode(canvas.dc()), COLORONCOLOR);
}

TEST(DibDraw, NothingToDrawOrNowhereToDrawIt) {
    PixelCanvas canvas(8, 8, kMarker);
    ASSERT_TRUE(canvas.ready());
    CDib empty;
    EXPECT_FALSE(DrawDib(empty, canvas.dc(), 0, 0));
    CDib dib;
    ASSERT_NE(dib.Create(2, 2, 8), nullptr);
    dib.Clear(0);
    EXPECT_FALSE(DrawDib(dib, nullptr, 0, 0));
    const testing::Pixels drawn = canvas.Read();
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x)
            EXPECT_EQ(drawn.At(x, y), kMarker);
}

TEST(ShadeOnWindows, PaletteComesFromTheSystemColours) {
    CDib dib;
    ASSERT_NE(dib.Create(1, 1, 8), nullptr);
    BuildShadePalette(dib);
    EXPECT_EQ(EntryColour(dib, 0), ::GetSysColor(COLOR_BTNSHADOW));
    EXPECT_EQ(EntryColour(dib, 255), ::GetSysColor(COLOR_BTNHIGHLIGHT));
    const SystemButtonColours system;
    EXPECT_EQ(system.Face(), ::GetSysColor(COLOR_BTNFACE));
}

// The dialog background as the program draws it, saved for people to look at.
TEST(ShadeOnWindows, DialogBackgroundDrawsPixelForPixel) {
    const int width = 644, height = 700;
    CDib dib;
    CreateShadeBackground(dib, ShadeCrossCurve, width, height, RGB(0, 102, 0));
    ASSERT_TRUE(dib.IsValid());
    PixelCanvas canvas(width, height, kMarker);
    ASSERT_TRUE(canvas.ready());
    EXPECT_TRUE(DrawDib(dib, canvas.dc(), 0, 0));
    const testing::Pixels drawn = canvas.Read();
    int wrong = 0;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const std::uint8_t index = dib.GetBits()[(height - 1 - y) * dib.GetLineWidth() + x];
            wrong += drawn.At(x, y) != EntryColour(dib, index);
        }
    EXPECT_EQ(wrong, 0);
    EXPECT_TRUE(drawn.SaveBmp(testing::OutputPath("shade_dialog_background_drawn.bmp")));
}

} // namespace
} // namespace corvane
