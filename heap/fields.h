#pragma once

// Little-endian fields of the records the program reads from memory or lays
// out in it, and the texts it says about them.

#include <cstdarg>
#include <cstdint>
#include <string>

namespace corvane {

namespace detail {

// A field of a width known when compiled: the loop unrolls into a plain load
// or store where the host is little-endian, as every target is.
template <unsigned Width> std::uint64_t ReadLittleEndian(const unsigned char* bytes) {
    std::uint64_t value = 0;
    for (unsigned i = 0; i < Width; ++i)
        value |= std::uint64_t{bytes[i]} << (8 * i);
    return value;
}

template <unsigned Width> void WriteLittleEndian(unsigned char* bytes, std::uint64_t value) {
    for (unsigned i = 0; i < Width; ++i)
        bytes[i] = static_cast<unsigned char>(value >> (8 * i));
}

} // namespace detail

// Fields are 1 to 8 bytes wide; the records' widths are 2, 4 and 8.
inline std::uint64_t ReadField(const unsigned char* bytes, unsigned width) {
    switch (width) {
    case 2: return detail::ReadLittleEndian<2>(bytes);
    case 4: return detail::ReadLittleEndian<4>(bytes);
    case 8: return detail::ReadLittleEndian<8>(bytes);
    default: break;
    }
    std::uint64_t value = 0;
    for (unsigned i = width; i-- > 0;)
        value = (value << 8) | bytes[i];
    return value;
}

inline void WriteField(unsigned char* bytes, std::uint64_t value, unsigned width) {
    switch (width) {
    case 2: return detail::WriteLittleEndian<2>(bytes, value);
    case 4: return detail::WriteLittleEndian<4>(bytes, value);
    case 8: return detail::WriteLittleEndian<8>(bytes, value);
    default: break;
    }
    for (unsigned i = 0; i < width; ++i)
        bytes[i] = static_cast<unsigned char>(value >> (8 * i));
}

// printf's text of the arguments, at most 255 characters of it.
std::string FormatTextList(const char* format, std::va_list arguments);
std::string FormatText(const char* format, ...);

} // namespace corvane
