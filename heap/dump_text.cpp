#include "heap/dump_text.h"

#include "heap/row_text.h"

#include <cstdio>
#include <cstring>

namespace corvane {

namespace {

constexpr std::size_t kOffsetWidth = 11; // "%.8xh  "
constexpr std::size_t kHexWidth = 3;     // "%.2X "
constexpr std::size_t kFillerAfterBytes = 2;

// Per byte value: its upper-case hexadecimal pair with the separating space
// (and one spare space so each entry is copied as four bytes at once), its
// lower-case pair for offsets, and its character in the character column.
struct DumpTables {
    char hex[256][4] = {};
    char offsetHex[256][2] = {};
    char shown[256] = {};
    std::uint8_t folded[256] = {};

    constexpr DumpTables() {
        constexpr char upper[] = "0123456789ABCDEF";
        constexpr char lower[] = "0123456789abcdef";
        for (int value = 0; value < 256; ++value) {
            hex[value][0] = upper[value >> 4];
            hex[value][1] = upper[value & 0xF];
            hex[value][2] = ' ';
            hex[value][3] = ' ';
            offsetHex[value][0] = lower[value >> 4];
            offsetHex[value][1] = lower[value & 0xF];
            shown[value] = (value >= 0x20 && value <= 0x7E) ? static_cast<char>(value) : '.';
            folded[value] = static_cast<std::uint8_t>((value >= 'A' && value <= 'Z') ? value + 0x20 : value);
        }
    }
};

constexpr DumpTables kTables;

void PutOffset(std::uint32_t offset, char* line) {
    std::memcpy(line + 0, kTables.offsetHex[(offset >> 24) & 0xFF], 2);
    std::memcpy(line + 2, kTables.offsetHex[(offset >> 16) & 0xFF], 2);
    std::memcpy(line + 4, kTables.offsetHex[(offset >> 8) & 0xFF], 2);
    std::memcpy(line + 6, kTables.offsetHex[offset & 0xFF], 2);
}

// The parts of a line that every full line shares.
void PrepareLine(DumpLineText& line) {
    std::memset(line, ' ', kDumpLineLength);
    line[8] = 'h';
    line[kDumpLineLength] = '\0';
}

// Fills the offset, hexadecimal and character parts of a full line prepared
// by PrepareLine, and folds each byte's capital once its character is placed.
void FillFullLineAndFold(std::uint32_t offset, std::uint8_t* bytes, DumpLineText& line) {
    PutOffset(offset, line);
    char* hex = line + kOffsetWidth;
    char* shown = line + kDumpCharacterColumn;
    for (std::size_t i = 0; i < kDumpBytesPerLine; ++i) {
        const std::uint8_t b = bytes[i];
        // The fourth byte lands on the next pair's first digit, or on the
        // filler after the last pair, which is a space either way.
        std::memcpy(hex + i * kHexWidth, kTables.hex[b], 4);
        shown[i] = kTables.shown[b];
        bytes[i] = kTables.folded[b];
    }
}

} // namespace

void FoldCapitals(std::uint8_t* bytes, std::size_t count) {
    for (std::size_t i = 0; i < count; ++i)
        bytes[i] = kTables.folded[bytes[i]];
}

std::size_t FormatDumpLine(std::uint32_t offset, const std::uint8_t* bytes, std::size_t count, DumpLineText& line) {
    if (count > kDumpBytesPerLine) count = kDumpBytesPerLine;
    PrepareLine(line);
    PutOffset(offset, line);
    for (std::size_t i = 0; i < count; ++i) {
        std::memcpy(line + kOffsetWidth + i * kHexWidth, kTables.hex[bytes[i]], kHexWidth);
        line[kDumpCharacterColumn + i] = kTables.shown[bytes[i]];
    }
    const std::size_t length = kDumpCharacterColumn + count;
    line[length] = '\0';
    return length;
}

std::size_t FormatDumpHeader(Address heapNodeAddress, Address blockAddress, std::uint32_t blockSize, AddressWidth width,
                             DumpHeaderText& header) {
    HexText node, block, size;
    FormatHex(heapNodeAddress, width, node);
    FormatHex(blockAddress, width, block);
    FormatHex(blockSize, width, size);
    const int length = std::snprintf(header, sizeof header, "Heap Node Address=%s, Block Address=%s, Size=%s (%d)",
                                     node, block, size, static_cast<int>(static_cast<std::int32_t>(blockSize)));
    return length > 0 ? static_cast<std::size_t>(length) : 0;
}

void WriteDumpLines(std::uint8_t* bytes, std::uint32_t size, DumpLineSink& sink) {
    static_assert(kOffsetWidth + kDumpBytesPerLine * kHexWidth + kFillerAfterBytes == kDumpCharacterColumn,
                  "the character column follows the hexadecimal part and its filler");
    DumpLineText line;
    PrepareLine(line);
    std::uint32_t offset = 0;
    std::uint32_t remaining = size;
    // Full lines reuse the prepared spaces; only their variable parts change.
    while (remaining >= kDumpBytesPerLine) {
        FillFullLineAndFold(offset, bytes + offset, line);
        sink.AppendLine(line, kDumpLineLength);
        offset += kDumpBytesPerLine;
        remaining -= kDumpBytesPerLine;
    }
    if (remaining != 0) {
        const std::size_t length = FormatDumpLine(offset, bytes + offset, remaining, line);
        FoldCapitals(bytes + offset, remaining);
        sink.AppendLine(line, length);
    }
}

char DumpCharacter(std::uint8_t byte) { return kTables.shown[byte]; }

} // namespace corvane
