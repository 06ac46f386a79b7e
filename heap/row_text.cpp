#include "heap/row_text.h"

#include <cstdio>
#include <cstring>
#include <limits>

namespace corvane {

namespace {

constexpr char kHexDigits[] = "0123456789abcdef";

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r'; }

std::size_t SkipSpace(std::string_view text, std::size_t i) {
    while (i < text.size() && IsSpace(text[i]))
        ++i;
    return i;
}

char Lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c; }

} // namespace

void FormatHex(std::uint64_t value, AddressWidth width, HexText& text) {
    const int digits = width == AddressWidth::Bits64 ? 16 : 8;
    text[0] = '0';
    text[1] = 'x';
    for (int i = digits + 1; i >= 2; --i) {
        text[i] = kHexDigits[value & 0xF];
        value >>= 4;
    }
    text[digits + 2] = '\0';
}

void FormatDecimal32(std::int32_t value, char (&text)[12]) {
    char digits[11];
    int n = 0;
    // Work on the magnitude as unsigned so that INT32_MIN needs no special case.
    std::uint32_t magnitude = value < 0 ? 0u - static_cast<std::uint32_t>(value) : static_cast<std::uint32_t>(value);
    do {
        digits[n++] = static_cast<char>('0' + magnitude % 10);
        magnitude /= 10;
    } while (magnitude != 0);
    int i = 0;
    if (value < 0) text[i++] = '-';
    while (n > 0)
        text[i++] = digits[--n];
    text[i] = '\0';
}

const char* AllocationTypeText(BlockKind kind) {
    switch (kind) {
    case BlockKind::Fixed: return "FIXED";
    case BlockKind::Moveable: return "MOVEABLE";
    case BlockKind::Free: return "Not applicable";
    default: return "Unknown";
    }
}

const char* StatusText(BlockKind kind) { return kind == BlockKind::Free ? "Free" : "Allocated"; }

int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

std::optional<std::uint64_t> ParseHexNumber(std::string_view text, AddressWidth width) {
    const std::uint64_t limit = width == AddressWidth::Bits64 ? ~std::uint64_t{0} : 0xFFFFFFFFu;
    std::size_t i = SkipSpace(text, 0);
    if (i + 1 < text.size() && text[i] == '0' && Lower(text[i + 1]) == 'x') i += 2;
    const std::size_t digitsStart = i;
    std::uint64_t value = 0;
    for (; i < text.size() && HexValue(text[i]) >= 0; ++i) {
        if (value > (limit >> 4)) return std::nullopt; // one more digit would not fit
        value = value * 16 + static_cast<unsigned>(HexValue(text[i]));
    }
    if (i == digitsStart || SkipSpace(text, i) != text.size()) return std::nullopt;
    return value;
}

std::int64_t SignedCount(std::uint64_t value, AddressWidth width) {
    if (width == AddressWidth::Bits32) return static_cast<std::int32_t>(static_cast<std::uint32_t>(value));
    return static_cast<std::int64_t>(value);
}

std::int32_t ParseDecimalText(std::string_view text) {
    std::size_t i = SkipSpace(text, 0);
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    std::int64_t value = 0;
    constexpr std::int64_t kLimit = std::int64_t{std::numeric_limits<std::int32_t>::max()} + 1;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        value = value * 10 + (text[i] - '0');
        if (value > kLimit) value = kLimit;
    }
    if (negative) return static_cast<std::int32_t>(-value);
    return static_cast<std::int32_t>(value >= kLimit ? kLimit - 1 : value);
}

bool IsFreeStatusText(std::string_view text) {
    std::size_t begin = SkipSpace(text, 0);
    std::size_t end = text.size();
    while (end > begin && IsSpace(text[end - 1]))
        --end;
    const std::string_view word = text.substr(begin, end - begin);
    static constexpr char kFree[] = "free";
    if (word.size() != 4) return false;
    for (std::size_t k = 0; k < 4; ++k)
        if (Lower(word[k]) != kFree[k]) return false;
    return true;
}

} // namespace corvane
