#pragma once

// Memory of this process below 4 GiB, where a row's eight hexadecimal digits
// can name it; released with the object.

#include <windows.h>

#include <cstddef>
#include <cstdint>

namespace corvane::testing {

class LowMemory {
public:
    explicit LowMemory(std::size_t size) {
        for (std::uintptr_t at = 0x40000000; at < 0xF0000000 && !m_bytes; at += 0x01000000)
            m_bytes = static_cast<std::uint8_t*>(
                ::VirtualAlloc(reinterpret_cast<void*>(at), size, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE));
    }
    ~LowMemory() {
        if (m_bytes) ::VirtualFree(m_bytes, 0, MEM_RELEASE);
    }
    LowMemory(const LowMemory&) = delete;
    LowMemory& operator=(const LowMemory&) = delete;

    // Null when no room was found.
    std::uint8_t* bytes() const { return m_bytes; }
    std::uint32_t address() const { return static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(m_bytes)); }

private:
    std::uint8_t* m_bytes = nullptr;
};

} // namespace corvane::testing
