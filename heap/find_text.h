#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace corvane {

// The offset of the first match of `text` at or after `start` among the
// `size` bytes, or -1. A wide search looks for each character followed by a
// zero byte. A match may start at any offset but must end within the bytes.
// Bytes and characters compare exactly; callers fold letter case beforehand.
// An empty text matches nowhere.
std::int32_t FindInHeapData(const std::uint8_t* bytes, std::uint32_t size, std::string_view text, std::int32_t start,
                            bool wide);

// `text` with the capitals A to Z in lower case; other characters unchanged,
// as the held copy folds nothing else either.
std::string LowerCaseText(std::string_view text);

} // namespace corvane
