#include "heap/find_text.h"

#include <cstring>

namespace corvane {

namespace {

// Candidates are looked for inline a stretch at a time; a stretch without
// any hands the scan to memchr, which skips long runs without the first
// character much faster, while a frequent first character costs no library
// call per candidate.
constexpr std::size_t kInlineStretch = 32;

// The pattern's bytes of a narrow search; a wide search reads each character
// followed by a zero byte.
bool MatchesAt(const std::uint8_t* at, const std::uint8_t* text, std::size_t characters, bool wide) {
    if (!wide) {
        for (std::size_t i = 1; i < characters; ++i)
            if (at[i] != text[i]) return false;
        return true;
    }
    for (std::size_t i = 0; i < characters; ++i)
        if (at[2 * i] != text[i] || at[2 * i + 1] != 0) return false;
    return true;
}

} // namespace

std::int32_t FindInHeapData(const std::uint8_t* bytes, std::uint32_t size, std::string_view text, std::int32_t start,
                            bool wide) {
    if (text.empty() || bytes == nullptr) return -1;
    const std::size_t length = wide ? text.size() * 2 : text.size();
    const std::size_t from = start > 0 ? static_cast<std::size_t>(start) : 0;
    if (length > size || from > size - length) return -1;

    const auto* pattern = reinterpret_cast<const std::uint8_t*>(text.data());
    const std::uint8_t first = pattern[0];
    // The last character is checked right after the first: near matches
    // mostly differ near their end, so most candidates fail after two reads.
    const std::size_t lastOffset = wide ? length - 2 : length - 1;
    const std::uint8_t last = pattern[text.size() - 1];
    const std::uint8_t* at = bytes + from;
    const std::uint8_t* const scanEnd = bytes + (size - length) + 1; // past the last place a match fits
    while (at < scanEnd) {
        const std::uint8_t* const stop =
            static_cast<std::size_t>(scanEnd - at) > kInlineStretch ? at + kInlineStretch : scanEnd;
        bool candidates = false;
        for (; at != stop; ++at) {
            if (*at != first) continue;
            candidates = true;
            if (at[lastOffset] == last && MatchesAt(at, pattern, text.size(), wide))
                return static_cast<std::int32_t>(at - bytes);
        }
        if (!candidates && at != scanEnd) {
            const void* next = std::memchr(at, first, static_cast<std::size_t>(scanEnd - at));
            if (!next) break;
            at = static_cast<const std::uint8_t*>(next);
        }
    }
    return -1;
}

std::string LowerCaseText(std::string_view text) {
    std::string lower(text);
    for (char& c : lower)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + ('a' - 'A'));
    return lower;
}

} // namespace corvane
