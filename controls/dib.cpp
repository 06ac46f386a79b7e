#include "controls/dib.h"

#include <cstring>
#include <new>

namespace corvane {

namespace {

constexpr std::uint32_t kCompressionNone = 0; // BI_RGB

// Largest block we allocate: every offset into it then fits a 32-bit signed
// number, which is what the pixel addressing computes in.
constexpr std::uint64_t kMaxBlockSize = 0x7FFFFFFF;

std::uint16_t SnapBitCount(std::uint16_t bitCount) {
    if (bitCount <= 1) return 1;
    if (bitCount <= 4) return 4;
    if (bitCount <= 8) return 8;
    return 24;
}

std::uint16_t PaletteEntriesFor(std::uint16_t bitCount) {
    switch (bitCount) {
    case 1: return 2;
    case 4: return 16;
    case 8: return 256;
    default: return 0;
    }
}

} // namespace

CDib::CDib() : m_block(nullptr), m_header(), m_lineWidth(0), m_paletteEntries(0) { m_header.biSize = kDibHeaderSize; }

CDib::~CDib() { Release(); }

void CDib::Release() {
    delete[] m_block;
    m_block = nullptr;
}

std::uint8_t* CDib::Create(std::int32_t width, std::int32_t height, std::uint16_t bitCount) {
    Release();

    bitCount = SnapBitCount(bitCount);
    m_paletteEntries = PaletteEntriesFor(bitCount);
    // Rows are padded to whole 32-bit words; the platform computes this in
    // unsigned 32-bit arithmetic, and so do we.
    const std::uint32_t lineWidth = ((bitCount * static_cast<std::uint32_t>(width) + 31u) / 32u) * 4u;
    m_lineWidth = static_cast<std::int32_t>(lineWidth);

    m_header = DibHeader();
    m_header.biSize = kDibHeaderSize;
    m_header.biWidth = width;
    m_header.biHeight = height;
    m_header.biPlanes = 1;
    m_header.biBitCount = bitCount;
    m_header.biCompression = kCompressionNone;
    m_header.biSizeImage = lineWidth * static_cast<std::uint32_t>(height);

    // The same sizes without 32-bit wrap-around decide whether the block can
    // exist at all: a wrapped size would be smaller than its rows.
    if (width < 0 || height < 0) return nullptr;
    const std::uint64_t exactLineWidth =
        ((std::uint64_t{bitCount} * static_cast<std::uint64_t>(width) + 31u) / 32u) * 4u;
    const std::uint64_t exactSize =
        kDibHeaderSize + exactLineWidth * static_cast<std::uint64_t>(height) + 4u * std::uint64_t{m_paletteEntries};
    if (exactLineWidth != lineWidth || exactSize > kMaxBlockSize) return nullptr;

    // Zeroed, so that the padding at each row's end never holds stale bytes.
    m_block = new (std::nothrow) std::uint8_t[static_cast<std::size_t>(exactSize)]();
    if (m_block == nullptr) return nullptr;
    std::memcpy(m_block, &m_header, kDibHeaderSize);
    return m_block;
}

void CDib::SetPaletteEntry(std::uint8_t index, std::uint8_t red, std::uint8_t green, std::uint8_t blue) {
    if (m_block == nullptr || index >= m_paletteEntries) return;
    std::uint8_t* entry = m_block + kDibHeaderSize + 4u * index;
    entry[0] = blue;
    entry[1] = green;
    entry[2] = red;
    entry[3] = 0;
}

void CDib::BlendPalette(ColorRef color, std::int32_t percent) {
    if (m_block == nullptr || m_paletteEntries == 0) return;
    if (percent > 100) percent = 100;
    if (percent < 0) percent = 0;
    const std::int32_t keep = 100 - percent;
    const std::int32_t toward[3] = {BlueOf(color), GreenOf(color), RedOf(color)};
    std::uint8_t* entry = m_block + kDibHeaderSize;
    for (std::uint32_t i = 0; i < m_paletteEntries; ++i, entry += 4) {
        for (int channel = 0; channel < 3; ++channel)
            entry[channel] = static_cast<std::uint8_t>((entry[channel] * keep + toward[channel] * percent) / 100);
    }
}

std::uint8_t* CDib::GetBits() { return const_cast<std::uint8_t*>(static_cast<const CDib*>(this)->GetBits()); }

const std::uint8_t* CDib::GetBits() const {
    if (m_block == nullptr) return nullptr;
    // The header size is taken from the block itself, as a reader of the
    // packed form would.
    std::uint32_t headerSize = 0;
    std::memcpy(&headerSize, m_block, sizeof headerSize);
    return m_block + headerSize + GetPaletteSize();
}

void CDib::Clear(std::uint8_t value) {
    if (m_block == nullptr) return;
    std::memset(GetBits(), value, m_header.biSizeImage);
}

void CDib::Clone(const CDib& source) {
    if (&source == this) return;
    Create(source.GetWidth(), source.GetHeight(), source.GetBitCount());
    if (m_block != nullptr && source.m_block != nullptr) std::memcpy(m_block, source.m_block, source.GetSize());
}

void CDib::SetPixelIndex(std::int32_t x, std::int32_t y, std::uint8_t value) {
    if (m_block == nullptr || m_paletteEntries == 0 || m_header.biBitCount != 8) return;
    if (x < 0 || x >= m_header.biWidth || y < 0 || y >= m_header.biHeight) return;
    GetBits()[(m_header.biHeight - y - 1) * m_lineWidth + x] = value;
}

} // namespace corvane
