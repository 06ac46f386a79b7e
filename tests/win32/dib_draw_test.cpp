#include "controls/dib.h"
#include "controls/shade.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <string>

namespace corvane {
namespace {

// A memory device context drawing into a 32-bit top-down bitmap whose pixels
// the test reads directly.
class PixelCanvas {
public:
    PixelCanvas(int width, int height, std::uint32_t fill) : m_width(width), m_height(height) {
        BITMAPINFO info = {};
        info.bmiHeader.biSize = sizeof info.bmiHeader;
        info.bmiHeader.biWidth = width;
        info.bmiHeader.biHeight = -height;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        info.bmiHeader.biCompression = BI_RGB;
        m_dc = ::CreateCompatibleDC(nullptr);
        void* bits = nullptr;
        m_bitmap = ::CreateDIBSection(m_dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
        m_bits = static_cast<std::uint32_t*>(bits);
        if (m_dc && m_bitmap) m_previous = ::SelectObject(m_dc, m_bitmap);
        if (m_bits)
            for (int i = 0; i < width * height; ++i)
                m_bits[i] = fill;
    }
    ~PixelCanvas() {
        if (m_previous) ::SelectObject(m_dc, m_previous);
        if (m_bitmap) ::DeleteObject(m_bitmap);
        if (m_dc) ::DeleteDC(m_dc);
    }
    PixelCanvas(const PixelCanvas&) = delete;
    PixelCanvas& operator=(const PixelCanvas&) = delete;

    bool ready() const { return m_previous != nullptr && m_bits != nullptr; }
    HDC dc() const { return m_dc; }
    // 0x00RRGGBB as the bitmap stores it.
    std::uint32_t At(int x, int y) const {
        ::GdiFlush();
        return m_bits[y * m_width + x];
    }

    void Save(const std::string& path) const {
        ::GdiFlush();
        BITMAPFILEHEADER file = {};
        BITMAPINFOHEADER header = {};
        header.biSize = sizeof header;
        header.biWidth = m_width;
        header.biHeight = -m_height;
        header.biPlanes = 1;
        header.biBitCount = 32;
        const DWORD size = static_cast<DWORD>(m_width) * m_height * 4;
        file.bfType = 0x4D42;
        file.bfOffBits = sizeof file + sizeof header;
        file.bfSize = file.bfOffBits + size;
        if (FILE* out = std::fopen(path.c_str(), "wb")) {
            std::fwrite(&file, sizeof file, 1, out);
            std::fwrite(&header, sizeof header, 1, out);
            std::fwrite(m_bits, 1, size, out);
            std::fclose(out);
        }
    }

private:
    int m_width, m_height;
    HDC m_dc = nullptr;
    HBITMAP m_bitmap = nullptr;
    HGDIOBJ m_previous = nullptr;
    std::uint32_t* m_bits = nullptr;
};

// The colour-table entry as the 32-bit bitmap stores it.
std::uint32_t EntryAsPixel(const CDib& dib, int index) {
    const std::uint8_t* entry = dib.GetBlock() + 40 + 4 * index;
    return entry[0] | (entry[1] << 8) | (static_cast<std::uint32_t>(entry[2]) << 16);
}

std::uint32_t ColorRefAsPixel(COLORREF color) {
    return GetBValue(color) | (GetGValue(color) << 8) | (static_cast<std::uint32_t>(GetRValue(color)) << 16);
}

constexpr std::uint32_t kMarker = 0x00123456;

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
    EXPECT_TRUE(dib.Draw(canvas.dc(), 5, 7));
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 4; ++x)
            EXPECT_EQ(canvas.At(5 + x, 7 + y), EntryAsPixel(dib, y * 4 + x + 1)) << x << ", " << y;
    for (const auto& [x, y] : {std::pair{4, 7}, std::pair{9, 7}, std::pair{5, 6}, std::pair{5, 10}, std::pair{9, 10}})
        EXPECT_EQ(canvas.At(x, y), kMarker) << "outside: " << x << ", " << y;
    EXPECT_EQ(::GetStretchBltMode(canvas.dc()), COLORONCOLOR);
}

TEST(DibDraw, NothingToDrawOrNowhereToDrawIt) {
    PixelCanvas canvas(8, 8, kMarker);
    ASSERT_TRUE(canvas.ready());
    CDib empty;
    EXPECT_FALSE(empty.Draw(canvas.dc(), 0, 0));
    CDib dib;
    ASSERT_NE(dib.Create(2, 2, 8), nullptr);
    dib.Clear(0);
    EXPECT_FALSE(dib.Draw(nullptr, 0, 0));
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x)
            EXPECT_EQ(canvas.At(x, y), kMarker);
}

TEST(ShadeOnWindows, PaletteComesFromTheSystemColours) {
    CDib dib;
    ASSERT_NE(dib.Create(1, 1, 8), nullptr);
    BuildShadePalette(dib);
    EXPECT_EQ(EntryAsPixel(dib, 0), ColorRefAsPixel(::GetSysColor(COLOR_BTNSHADOW)));
    EXPECT_EQ(EntryAsPixel(dib, 255), ColorRefAsPixel(::GetSysColor(COLOR_BTNHIGHLIGHT)));
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
    EXPECT_TRUE(dib.Draw(canvas.dc(), 0, 0));
    int wrong = 0;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const std::uint8_t index = dib.GetBits()[(height - 1 - y) * dib.GetLineWidth() + x];
            wrong += canvas.At(x, y) != EntryAsPixel(dib, index);
        }
    EXPECT_EQ(wrong, 0);
    ::CreateDirectoryA(CORVANE_TEST_OUTPUT_DIR, nullptr);
    canvas.Save(std::string(CORVANE_TEST_OUTPUT_DIR) + "/shade_dialog_background_drawn.bmp");
}

} // namespace
} // namespace corvane
