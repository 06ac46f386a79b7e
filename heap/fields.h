#pragma once

// Little-endian fields of the records the program reads from memory or lays
// out in it, and the texts it says about them.

#include <cstdarg>
#include <cstdint>
#include <string>

namespace corvane {

inline std::uint64_t ReadField(const unsigned char* bytes, unsigned width) {
    std::uint64_t value = 0;
    for (unsigned i = width; i-- > 0;)
        value = (value << 8) | bytes[i];
    return value;
}

inline void WriteField(unsigned char* bytes, std::uint64_t value, unsigned width) {
    for (unsigned i = 0; i < width; ++i)
        bytes[i] = static_cast<unsigned char>(value >> (8 * i));
}

// printf's text of the arguments, at most 255 characters of it.
std::string FormatTextList(const char* format, std::va_list arguments);
std::string FormatText(const char* format, ...);

} // namespace corvane
