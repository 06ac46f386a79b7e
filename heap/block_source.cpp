#include "heap/block_source.h"

#include <new>

namespace corvane {

std::unique_ptr<std::uint8_t[]> BlockSource::Allocate(std::uint32_t size) {
    return std::unique_ptr<std::uint8_t[]>(new (std::nothrow) std::uint8_t[size]);
}

} // namespace corvane
