#pragma once

// The fuzz input as the targets read it: bytes taken off its front.

#include <cstddef>
#include <cstdint>

namespace corvane::testing {

// Takes bytes off the front of the input, least significant first; zeros
// once it is used up.
struct FuzzInput {
    const std::uint8_t* data;
    std::size_t size;
    std::uint64_t Take(unsigned width) {
        std::uint64_t value = 0;
        for (unsigned i = 0; i < width && size > 0; ++i, ++data, --size)
            value |= std::uint64_t{*data} << (8 * i);
        return value;
    }
};

} // namespace corvane::testing
