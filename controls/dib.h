#pragma once

// An in-memory device-independent bitmap in the platform's packed form:
// header, colour table and bottom-up pixel rows in one block, so that the
// block goes to SetDIBitsToDevice as it is.

#include <cstddef>
#include <cstdint>

namespace corvane {

// 0x00BBGGRR, red in the low byte.
using ColorRef = std::uint32_t;

constexpr ColorRef MakeColorRef(std::uint8_t red, std::uint8_t green, std::uint8_t blue) {
    return static_cast<ColorRef>(red) | (static_cast<ColorRef>(green) << 8) | (static_cast<ColorRef>(blue) << 16);
}
constexpr std::uint8_t RedOf(ColorRef color) { return static_cast<std::uint8_t>(color & 0xFF); }
constexpr std::uint8_t GreenOf(ColorRef color) { return static_cast<std::uint8_t>((color >> 8) & 0xFF); }
constexpr std::uint8_t BlueOf(ColorRef color) { return static_cast<std::uint8_t>((color >> 16) & 0xFF); }

// Byte for byte the platform's BITMAPINFOHEADER, so that blocks built and
// tested here are the blocks the Windows build hands to the platform.
struct DibHeader {
    std::uint32_t biSize;
    std::int32_t biWidth;
    std::int32_t biHeight;
    std::uint16_t biPlanes;
    std::uint16_t biBitCount;
    std::uint32_t biCompression;
    std::uint32_t biSizeImage;
    std::int32_t biXPelsPerMeter;
    std::int32_t biYPelsPerMeter;
    std::uint32_t biClrUsed;
    std::uint32_t biClrImportant;
};
// The platform's RGBQUAD.
struct DibPaletteEntry {
    std::uint8_t rgbBlue;
    std::uint8_t rgbGreen;
    std::uint8_t rgbRed;
    std::uint8_t rgbReserved;
};

static_assert(sizeof(DibHeader) == 40, "the packed header is 40 bytes");
static_assert(offsetof(DibHeader, biSize) == 0 && offsetof(DibHeader, biWidth) == 4 &&
                  offsetof(DibHeader, biHeight) == 8 && offsetof(DibHeader, biPlanes) == 12 &&
                  offsetof(DibHeader, biBitCount) == 14 && offsetof(DibHeader, biCompression) == 16 &&
                  offsetof(DibHeader, biSizeImage) == 20 && offsetof(DibHeader, biXPelsPerMeter) == 24 &&
                  offsetof(DibHeader, biYPelsPerMeter) == 28 && offsetof(DibHeader, biClrUsed) == 32 &&
                  offsetof(DibHeader, biClrImportant) == 36,
              "header fields sit where the platform reads them");
static_assert(sizeof(DibPaletteEntry) == 4 && offsetof(DibPaletteEntry, rgbBlue) == 0 &&
                  offsetof(DibPaletteEntry, rgbGreen) == 1 && offsetof(DibPaletteEntry, rgbRed) == 2 &&
                  offsetof(DibPaletteEntry, rgbReserved) == 3,
              "colour table entries are blue, green, red, reserved");

constexpr std::uint32_t kDibHeaderSize = 40;

// Held by value by its owner and never copied; Clone duplicates one.
class CDib {
public:
    CDib();
    ~CDib();
    CDib(const CDib&) = delete;
    CDib& operator=(const CDib&) = delete;

    // Replaces the current block with a new one of the given size. Bit counts
    // snap to 1, 4, 8 or 24. The palette and pixel bytes are left as the
    // allocator gave them. Returns the block (a BITMAPINFO), or null when it
    // cannot be allocated; the object is then empty but its sizes describe
    // the request. Negative sizes and blocks beyond 2 GB cannot be allocated.
    std::uint8_t* Create(std::int32_t width, std::int32_t height, std::uint16_t bitCount);
    bool IsValid() const { return m_block != nullptr; }

    // Ignored for an index outside the colour table.
    void SetPaletteEntry(std::uint8_t index, std::uint8_t red, std::uint8_t green, std::uint8_t blue);
    // Moves every colour-table entry `percent` (0 to 100; beyond that
    // clamped) of the way toward `color`.
    void BlendPalette(ColorRef color, std::int32_t percent);

    // Stored row 0, the bottom line of the picture; null when empty.
    std::uint8_t* GetBits();
    const std::uint8_t* GetBits() const;
    // The whole packed block; null when empty.
    const std::uint8_t* GetBlock() const { return m_block; }

    std::int32_t GetWidth() const { return m_header.biWidth; }
    std::int32_t GetHeight() const { return m_header.biHeight; }
    std::uint16_t GetBitCount() const { return m_header.biBitCount; }
    std::int32_t GetLineWidth() const { return m_lineWidth; }
    std::uint32_t GetPaletteSize() const { return 4u * m_paletteEntries; }
    std::uint32_t GetSize() const { return m_header.biSize + m_header.biSizeImage + GetPaletteSize(); }

    // Every pixel byte, row padding included.
    void Clear(std::uint8_t value);
    // Becomes a copy of `source`: header, colour table and pixels. Cloning
    // an object onto itself leaves it as it is.
    void Clone(const CDib& source);
    // 8-bit bitmaps only; y counts from the top of the picture. Ignored
    // outside the bitmap.
    void SetPixelIndex(std::int32_t x, std::int32_t y, std::uint8_t value);

private:
    void Release();

    std::uint8_t* m_block; // owned; header, colour table and pixels
    DibHeader m_header;    // sizes are read from here
    std::int32_t m_lineWidth;
    std::uint16_t m_paletteEntries;
};

} // namespace corvane
